// The UV editor driven as a user drives it, through the real dialog and its OpenGL views: a
// click selects a point of the layout, a drag moves it, a Shift-click adds a point of another
// chart, the weld button joins them, Undo and Redo step back and forth (the atlas shape with the
// layout). After every step the atlas shape's texture coordinates are checked. Needs an OpenGL
// context (xvfb-run with QT_QPA_PLATFORM=xcb); skipped where none can be made.
#include "UVEditFixture.h"

#include <QApplication>
#include <QMouseEvent>

namespace {

using namespace uvedit_testing;

class EndToEndEditTest : public UVEditFixture {
  protected:
    // Pointer moves go straight to the view: on a real window system QTest would move the
    // cursor, whose events arrive later.
    void moveTo(QPoint pos) {
        Editport* view = dialog.dfeCoordinatesAdjustment;
        QMouseEvent move(QEvent::MouseMove, QPointF(pos), view->mapToGlobal(QPointF(pos)),
                         Qt::NoButton, QApplication::mouseButtons(), Qt::NoModifier);
        QApplication::sendEvent(view, &move);
    }

    Vector2 texCoordOfCorner(std::int32_t atlasPolygon, std::int32_t corner) const {
        return atlas().GetPolygon(atlasPolygon).GetCornerTexCoord(corner);
    }
};

TEST_F(EndToEndEditTest, SelectDragWeldUndoAndRedoWithTheMouse) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL context can be made on this display";
    }
    showDialog();
    Editport* view = dialog.dfeCoordinatesAdjustment;
    ASSERT_TRUE(view->usesOpenGL());

    // Select the triangle's point (0.2, 0.4) by clicking where the camera shows it.
    const std::int32_t i = vertexAt(0.2f, 0.4f);
    const std::int32_t d = vertexAt(0.2f, 0.5f);
    QTest::mouseClick(view, Qt::LeftButton, {}, screenOf(0.2f, 0.4f));
    ASSERT_EQ(selectedIndices(), (std::vector<std::int32_t>{i}));
    EXPECT_EQ(labelX(), "Position X: 0.200");
    EXPECT_EQ(labelY(), "Y: 0.600");
    EXPECT_TRUE(dialog.cmdUnlink->isEnabled());
    EXPECT_FALSE(dialog.cmdEnlarge->isEnabled());

    // Drag it 12 pixels to the right and 8 down; the triangle's UV corner 2 mirrors atlas
    // corner 0 of polygon 2.
    const QPoint start = screenOf(0.2f, 0.4f);
    const QPoint end = start + QPoint(12, 8);
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    moveTo(start + QPoint(6, 4));
    moveTo(end);
    QTest::mouseRelease(view, Qt::LeftButton, {}, end);
    const double unitsPerPixel = view->viewTransform().unitsPerPixel(0.0);
    const Vector3 dragged = uv().GetVertex(i);
    EXPECT_NEAR(dragged.x, 0.2 + 12 * unitsPerPixel, 1e-4);
    EXPECT_NEAR(dragged.y, 0.4 + 8 * unitsPerPixel, 1e-4) << "the view's y grows downwards";
    EXPECT_EQ(texCoordOfCorner(2, 0), (Vector2{dragged.x - 1.0f, -dragged.y}));
    EXPECT_EQ(texCoordOfCorner(0, 3), (Vector2{0.2f - 1.0f, -0.5f})) << "others keep theirs";
    EXPECT_EQ(dialog.lHistoryCount(), 1);
    expectCacheIsLayout();
    expectAtlasFollowsLayout();
    const std::vector<Vector3> afterDrag = uv().GetVertices();
    const std::vector<Vector2> draggedTexcoords = atlas().GetTextureCoordinates();
    const std::vector<std::int32_t> draggedCorners = atlas().cornerTexCoord();

    // Select (0.2, 0.5) of the quads' chart, add the dragged point, weld at their mean.
    QTest::mouseClick(view, Qt::LeftButton, {}, screenOf(0.2f, 0.5f));
    QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, screenOf(dragged.x, dragged.y));
    ASSERT_EQ(selectedIndices(), (std::vector<std::int32_t>{d, i}));
    ASSERT_TRUE(dialog.cmdWeldSelection->isEnabled());
    QTest::mouseClick(dialog.cmdWeldSelection, Qt::LeftButton);
    ASSERT_TRUE(scripted->messages().empty());
    const Vector3 mean{static_cast<float>(double(0.2f + dragged.x) / 2.0),
                       static_cast<float>(double(0.5f + dragged.y) / 2.0), 0.0f};
    EXPECT_EQ(texCoordOfCorner(0, 3), (Vector2{mean.x - 1.0f, -mean.y}));
    EXPECT_EQ(atlas().GetPolygon(0).GetCornerTexCoordIndex(3),
              atlas().GetPolygon(2).GetCornerTexCoordIndex(0))
        << "the two charts share one texture coordinate";
    EXPECT_EQ(uv().GetPolygon(0).GetCornerVertex(3), uv().GetPolygon(2).GetCornerVertex(2));
    EXPECT_TRUE(selectedIndices().empty());
    EXPECT_EQ(dialog.lHistoryCount(), 2);
    expectAtlasFollowsLayout();
    const std::vector<Vector3> afterWeld = uv().GetVertices();
    const std::vector<Vector2> weldedTexcoords = atlas().GetTextureCoordinates();
    const std::vector<std::int32_t> weldedCorners = atlas().cornerTexCoord();

    // Undo brings the UV layout and the atlas shape back to before the weld.
    ASSERT_TRUE(dialog.cmdEditUndo->isEnabled());
    QTest::mouseClick(dialog.cmdEditUndo, Qt::LeftButton);
    EXPECT_EQ(uv().vertices(), afterDrag);
    EXPECT_NE(uv().GetPolygon(0).GetCornerVertex(3), uv().GetPolygon(2).GetCornerVertex(2));
    EXPECT_EQ(atlas().texcoords(), draggedTexcoords);
    EXPECT_EQ(atlas().cornerTexCoord(), draggedCorners);
    expectAtlasFollowsLayout();
    EXPECT_EQ(selectedIndices(), (std::vector<std::int32_t>{d, i})) << "as recorded";
    EXPECT_TRUE(dialog.cmdEditRedo->isEnabled());
    expectTableMatchesCorners();
    expectCacheIsLayout();

    // Redo returns to the welded layout.
    QTest::mouseClick(dialog.cmdEditRedo, Qt::LeftButton);
    EXPECT_EQ(uv().vertices(), afterWeld);
    EXPECT_EQ(uv().GetPolygon(0).GetCornerVertex(3), uv().GetPolygon(2).GetCornerVertex(2));
    EXPECT_EQ(atlas().texcoords(), weldedTexcoords);
    EXPECT_EQ(atlas().cornerTexCoord(), weldedCorners);
    EXPECT_FALSE(dialog.cmdEditRedo->isEnabled());
    expectAtlasFollowsLayout();
    expectTableMatchesCorners();
    EXPECT_TRUE(scripted->messages().empty());
}

} // namespace
