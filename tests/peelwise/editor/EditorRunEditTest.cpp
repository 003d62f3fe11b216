// UV edits inside a whole editing run, on the layout the start-up built: a transform button and
// Undo through the real buttons, and a second run whose start-up resets the history so that its
// Undo never reaches a state of the first run.
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/Polygon.h"
#include "brontle/views/XPButton.h"

#include <QTest>

#include <cstdlib>

namespace {

using brontle::Vector2;
using brontle::Vector3;
using peelwise::frmMain;

class EditorRunEditTest : public editor_testing::EditorRunTest {
  protected:
    // Every atlas corner holds (x - 1, -y) of the UV point its mirrored UV corner uses.
    static void expectAtlasFollowsLayout(frmMain& d) {
        brontle::Shape& uv = *d.csUVShape;
        brontle::Shape& atlas = *d.csAtlasShape;
        for (std::int32_t p = 0; p < uv.GetPolygonCount(); ++p) {
            brontle::Polygon polygon = uv.GetPolygon(p);
            const std::int32_t tag = polygon.GetTag();
            const std::int32_t c = polygon.GetCornerCount();
            brontle::Polygon mirror = atlas.GetPolygon(std::abs(tag) - 1);
            for (std::int32_t k = 0; k < c; ++k) {
                const Vector3 q = uv.GetVertex(polygon.GetCornerVertex(k));
                EXPECT_EQ(mirror.GetCornerTexCoord(tag > 0 ? k : c - 1 - k),
                          (Vector2{q.x - 1.0f, -q.y}))
                    << "polygon " << p << " corner " << k;
            }
        }
    }
};

TEST_F(EditorRunEditTest, AStepAndItsUndoOnTheLayoutTheStartUpBuilt) {
    suppressHint();
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        ASSERT_NE(d.csUVShape, nullptr);
        EXPECT_EQ(d.lHistoryCount(), 0);
        EXPECT_FALSE(d.cmdEditUndo->isEnabled());
        const std::vector<Vector3> start = d.csUVShape->GetVertices();
        QTest::mouseClick(d.cmdShiftDown, Qt::LeftButton, Qt::ControlModifier);
        EXPECT_EQ(d.lblX->text(), "Move Y: 0.001");
        for (std::size_t v = 0; v < start.size(); ++v) {
            const float y = start[v].y - 0.001f;
            EXPECT_EQ(d.csUVShape->vertices()[v], (Vector3{start[v].x, y < 0 ? 0.0f : y, 0.0f}))
                << v;
        }
        expectAtlasFollowsLayout(d);
        EXPECT_EQ(d.avUVPositions, d.csUVShape->vertices());
        EXPECT_TRUE(d.bUVChanged);
        ASSERT_TRUE(d.cmdEditUndo->isEnabled());
        QTest::mouseClick(d.cmdEditUndo, Qt::LeftButton);
        EXPECT_EQ(d.csUVShape->vertices(), start);
        EXPECT_TRUE(d.cmdEditRedo->isEnabled());
    }));
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(EditorRunEditTest, EachRunStartsWithAnEmptyHistory) {
    suppressHint();
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        d.cmdShiftRight_MouseUp(brontle::XPButton::LeftButton, 0);
        d.cmdShiftRight_MouseUp(brontle::XPButton::LeftButton, 0);
        EXPECT_EQ(d.lHistoryCount(), 2);
    }));
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        EXPECT_EQ(d.lHistoryCount(), 0);
        EXPECT_TRUE(d.atHistory().empty());
        const std::vector<Vector3> start = d.csUVShape->GetVertices();
        d.cmdShiftUp_MouseUp(brontle::XPButton::LeftButton, 0);
        EXPECT_EQ(d.lHistoryCount(), 1) << "no state of the first run is left";
        d.UndoEdit();
        EXPECT_EQ(d.csUVShape->vertices(), start);
        EXPECT_FALSE(d.cmdEditUndo->isEnabled());
    }));
    EXPECT_TRUE(scripted->messages().empty());
}

} // namespace
