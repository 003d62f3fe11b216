// The edit view driven by mouse events: selections, notifications in order with drag totals,
// navigation, and the selection commands. Runs on any platform: without OpenGL the view draws
// in software, and picking never reads pixels.
#include "ViewsFixtures.h"

#include "brontle/core/Error.h"
#include "brontle/model/Frame.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/views/Editport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>

using namespace brontle;
using namespace views_fixtures;

namespace {

std::vector<std::int32_t> indices(const SubSelection& s) {
    std::vector<std::int32_t> out;
    for (const auto& e : s.entries) {
        out.push_back(e.index);
    }
    return out;
}

class EditportWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        scene_ = SceneGraph::create(nullptr);
        root_ = scene_->CreateFrame(nullptr);
        view_ = std::make_unique<Editport>();
        view_->setObjectName("dfeCoordinatesAdjustment");
        view_->resize(200, 200);
        view_->SetScene(scene_, root_);
        connectLog();
    }

    // A 2 x 2 grid of 0.5 quads shown so that view x = 0, 0.5, 1 fall on pixels 16.7, 100, 183.3.
    void flatGrid() {
        view_->setProjectionType(1);
        view_->setEditMode(1);
        view_->SetCameraPosition(0.5f, 0.5f, -10.0f);
        view_->setViewExtent(0.6f);
        shape_ = quadGrid(2, 2, 0.5f, scene_->CreateShape());
        shape_->SetDisplayMode(11);
        root_->AddShape(shape_);
        show();
    }

    void show() {
        view_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view_.get()));
        log_.clear();
    }

    void connectLog() {
        Editport* v = view_.get();
        QObject::connect(v, &Editport::SelectionChange,
                         [this] { log_.push_back("SelectionChange"); });
        QObject::connect(v, &Editport::SelectionPick, [this] { log_.push_back("SelectionPick"); });
        QObject::connect(v, &Editport::SelectionRelease,
                         [this] { log_.push_back("SelectionRelease"); });
        QObject::connect(v, &Editport::EditBegin, [this] { log_.push_back("EditBegin"); });
        QObject::connect(v, &Editport::EditEnd, [this] { log_.push_back("EditEnd"); });
        QObject::connect(v, &Editport::ViewChange, [this] { log_.push_back("ViewChange"); });
        QObject::connect(v, &Editport::ContextMenu, [this](QPoint p) {
            log_.push_back("ContextMenu");
            contextAt_ = p;
        });
        QObject::connect(v, &Editport::DragMove, [this](float dx, float dy, float dz) {
            log_.push_back("DragMove");
            lastMove_ = {dx, dy, dz};
        });
        QObject::connect(v, &Editport::DragScale, [this](float sx, float sy) {
            log_.push_back("DragScale");
            lastScale_ = {sx, sy, 0};
        });
        QObject::connect(v, &Editport::PointerMove,
                         [this](brontle::ShapePtr hit, bool flag, float x, float y) {
                             pointerHit_ = hit;
                             pointerFlag_ = flag;
                             pointer_ = {x, y, 0};
                         });
    }

    // Pointer moves are sent straight to the view: on a real window system QTest moves the
    // cursor, whose events then arrive later.
    void moveTo(QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, QPointF(pos), view_->mapToGlobal(QPointF(pos)),
                         Qt::NoButton, QApplication::mouseButtons(), Qt::NoModifier);
        QApplication::sendEvent(view_.get(), &move);
    }

    QPoint screenOf(std::int32_t vertex, double dx = 0, double dy = 0) const {
        const ScreenPoint s = view_->viewTransform().project(shape_->GetVertex(vertex));
        return QPoint(static_cast<int>(std::lround(s.x + dx)),
                      static_cast<int>(std::lround(s.y + dy)));
    }

    std::vector<std::int32_t> selected() const {
        if (scene_->GetSelectedShapeCount(view_->DeviceID()) == 0) {
            return {};
        }
        return indices(shape_->GetSubSelection(view_->DeviceID()));
    }

    SceneGraphPtr scene_;
    FramePtr root_;
    std::unique_ptr<Editport> view_;
    ShapePtr shape_;
    std::vector<std::string> log_;
    QPoint contextAt_;
    Vector3 lastMove_, lastScale_, pointer_;
    ShapePtr pointerHit_;
    bool pointerFlag_ = false;
};

using Log = std::vector<std::string>;

} // namespace

TEST_F(EditportWidgetTest, InitialStateIdentityAndSelectEdgeLoop) {
    Editport other;
    EXPECT_NE(view_->DeviceID(), other.DeviceID());
    EXPECT_EQ(view_->RenderDevice(), view_->DeviceID());
    EXPECT_EQ(view_->RootFrame(), root_);
    EXPECT_EQ(view_->PreviewSetting(), 24);
    EXPECT_EQ(view_->CurrentPolygon(), -1);
    EXPECT_EQ(view_->projectionType(), 0);
    EXPECT_THROW(view_->setViewExtent(0.0f), Error);
    view_->setPreviewSetting(8);
    EXPECT_EQ(view_->PreviewSetting(), 8);

    // SelectEdgeLoop extends the preview's edge selection.
    shape_ = quadGrid(4, 3, 1.0f, scene_->CreateShape());
    root_->AddShape(shape_);
    SubSelection one;
    one.add(5, 0);
    shape_->SetSubSelection(view_->DeviceID(), 3, one);
    view_->SelectEdgeLoop();
    EXPECT_EQ(shape_->GetSubSelectionCount(view_->DeviceID()), 8);
}

TEST_F(EditportWidgetTest, ClicksAndARubberBandSelectPointsWithTheirModifiers) {
    flatGrid();
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, screenOf(4, 2, 2));
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{4}));
    EXPECT_EQ(scene_->GetSubSelectionKind(view_->DeviceID()), 2);
    EXPECT_EQ(log_, (Log{"SelectionChange", "SelectionPick", "SelectionRelease"}));
    // The click landed inside the lower right quad, which has the point as a corner.
    EXPECT_EQ(view_->CurrentPolygon(), 3);
    QTest::mouseClick(view_.get(), Qt::LeftButton, Qt::ShiftModifier, screenOf(0));
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{4, 0}));
    QTest::mouseClick(view_.get(), Qt::LeftButton, Qt::ControlModifier, screenOf(4));
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0}));
    log_.clear();
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, QPoint(58, 58)); // between the points
    EXPECT_EQ(scene_->GetSelectedShapeCount(view_->DeviceID()), 0);
    EXPECT_EQ(log_, (Log{"SelectionPick", "SelectionChange", "SelectionRelease"}));

    // A plain click on a selected point narrows the selection to it.
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, screenOf(0));
    QTest::mouseClick(view_.get(), Qt::LeftButton, Qt::ShiftModifier, screenOf(8));
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0, 8}));
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, screenOf(8));
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{8}));

    // A rubber band selects the points inside, with Ctrl it removes them.
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, QPoint(58, 58));
    QTest::mousePress(view_.get(), Qt::LeftButton, {}, QPoint(5, 5));
    moveTo(QPoint(60, 60));
    moveTo(QPoint(110, 120));
    QTest::mouseRelease(view_.get(), Qt::LeftButton, {}, QPoint(110, 120));
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0, 1, 3, 4}));
    QTest::mousePress(view_.get(), Qt::LeftButton, Qt::ControlModifier, QPoint(60, 5));
    moveTo(QPoint(120, 60));
    QTest::mouseRelease(view_.get(), Qt::LeftButton, Qt::ControlModifier, QPoint(120, 195));
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0, 3}));
}

TEST_F(EditportWidgetTest, DragsReportTotalsInOrderAndMoveNothing) {
    flatGrid();
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, screenOf(4));
    const std::vector<Vector3> before = shape_->GetVertices();
    log_.clear();
    const QPoint start = screenOf(4);
    QTest::mousePress(view_.get(), Qt::LeftButton, {}, start);
    moveTo(start + QPoint(1, 0)); // under the threshold: still a click
    moveTo(start + QPoint(10, 0));
    moveTo(start + QPoint(30, -20));
    QTest::mouseRelease(view_.get(), Qt::LeftButton, {}, start + QPoint(30, -20));
    EXPECT_EQ(log_, (Log{"SelectionPick", "EditBegin", "DragMove", "DragMove", "EditEnd",
                         "SelectionRelease"}));
    // 1.2 view units over 200 pixels: 0.006 per pixel; view y grows downwards.
    EXPECT_NEAR(lastMove_.x, 0.18f, 1e-5);
    EXPECT_NEAR(lastMove_.y, -0.12f, 1e-5);
    EXPECT_EQ(lastMove_.z, 0.0f);
    EXPECT_EQ(shape_->GetVertices(), before);
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{4}));

    // Dragging an unselected point selects it first.
    log_.clear();
    QTest::mousePress(view_.get(), Qt::LeftButton, {}, screenOf(2));
    moveTo(screenOf(2) + QPoint(0, 25));
    QTest::mouseRelease(view_.get(), Qt::LeftButton, {}, screenOf(2) + QPoint(0, 25));
    EXPECT_EQ(log_, (Log{"SelectionChange", "SelectionPick", "EditBegin", "DragMove", "EditEnd",
                         "SelectionRelease"}));
    EXPECT_NEAR(lastMove_.y, 0.15f, 1e-5);
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{2}));

    // A right drag scales, a right click opens the context menu.
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, screenOf(4));
    log_.clear();
    QTest::mousePress(view_.get(), Qt::RightButton, {}, QPoint(100, 100));
    moveTo(QPoint(150, 100));
    moveTo(QPoint(150, 80));
    QTest::mouseRelease(view_.get(), Qt::RightButton, {}, QPoint(150, 80));
    EXPECT_EQ(log_, (Log{"EditBegin", "DragScale", "DragScale", "EditEnd"}));
    EXPECT_FLOAT_EQ(lastScale_.x, 1.25f);
    EXPECT_FLOAT_EQ(lastScale_.y, 1.1f);
    log_.clear();
    QTest::mouseClick(view_.get(), Qt::RightButton, {}, QPoint(40, 60));
    EXPECT_EQ(log_, (Log{"ContextMenu"}));
    EXPECT_EQ(contextAt_, view_->mapToGlobal(QPoint(40, 60)));

    // Without edit mode a drag on a point is no edit.
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, QPoint(58, 58));
    log_.clear();
    view_->setEditMode(0);
    QTest::mousePress(view_.get(), Qt::LeftButton, {}, screenOf(4));
    moveTo(screenOf(4) + QPoint(20, 0));
    QTest::mouseRelease(view_.get(), Qt::LeftButton, {}, screenOf(4) + QPoint(20, 0));
    EXPECT_EQ(log_, (Log{"SelectionChange", "SelectionPick", "SelectionRelease"}));
}

TEST_F(EditportWidgetTest, PointerMoveReportsTheShapeUnderThePointerAndTheViewPosition) {
    flatGrid();
    // A backdrop a little larger than the layout: from pixel 8.3 to 191.7.
    ShapePtr back = testing_shapes::shapeFrom(
        scene_->CreateShape(),
        {{-0.05f, -0.05f, 1}, {-0.05f, 1.05f, 1}, {1.05f, 1.05f, 1}, {1.05f, -0.05f, 1}},
        {{0, 1, 2, 3}});
    back->SetDisplayFlags(4);
    root_->AddShape(back);
    view_->Refresh();
    moveTo(QPoint(11, 60)); // over the backdrop only
    EXPECT_EQ(pointerHit_, back);
    EXPECT_TRUE(pointerFlag_);
    EXPECT_NEAR(pointer_.x, 0.5f + (11.0f - 100.0f) * 0.006f, 1e-4f);
    EXPECT_NEAR(pointer_.y, 0.5f + (60.0f - 100.0f) * 0.006f, 1e-4f);
    moveTo(QPoint(60, 150)); // over a layout polygon
    EXPECT_EQ(pointerHit_, shape_);
    moveTo(QPoint(5, 5)); // outside everything
    EXPECT_EQ(pointerHit_, nullptr);
    EXPECT_FALSE(pointerFlag_);
    EXPECT_NEAR(pointer_.x, 0.5f + (5.0f - 100.0f) * 0.006f, 1e-4f);
    // The backdrop is shown but never selected.
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, QPoint(11, 60));
    EXPECT_EQ(back->GetSelectionType(view_->DeviceID()), 0);
}

TEST_F(EditportWidgetTest, ThePreviewPicksEdgesOrPolygons) {
    view_->setProjectionType(0);
    shape_ = quadGrid(2, 2, 1.0f, scene_->CreateShape());
    shape_->Translate({-1.0f, -1.0f, 0.0f});
    root_->AddShape(shape_);
    view_->SetCameraPosition(0.0f, 0.0f, 8.0f);
    show();
    // The edge between vertices 4 (the centre) and 5 is shared by quad 1 (corner 2, from 5 to
    // 4) and quad 3 (corner 0, from 4 to 5); click its midpoint on the screen.
    const ScreenPoint a = view_->viewTransform().project(shape_->GetVertex(4));
    const ScreenPoint b = view_->viewTransform().project(shape_->GetVertex(5));
    const QPoint mid(static_cast<int>(std::lround((a.x + b.x) / 2)),
                     static_cast<int>(std::lround((a.y + b.y) / 2)));
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, mid);
    ASSERT_EQ(scene_->GetSubSelectionKind(view_->DeviceID()), 3);
    const SubSelection edges = shape_->GetSubSelection(view_->DeviceID());
    ASSERT_EQ(edges.count(), 2);
    std::set<std::pair<int, int>> halves;
    for (const auto& e : edges.entries) {
        halves.insert({e.index, e.corner});
    }
    EXPECT_EQ(halves, (std::set<std::pair<int, int>>{{1, 2}, {3, 0}}));
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, QPoint(3, 3)); // empty space
    EXPECT_EQ(shape_->GetSubSelectionCount(view_->DeviceID()), 2);
    QTest::mouseClick(view_.get(), Qt::LeftButton, Qt::ControlModifier, mid);
    EXPECT_EQ(scene_->GetSelectedShapeCount(view_->DeviceID()), 0);

    // In polygon mode the preview selects polygons for the host window.
    view_->setSelectionKind(1);
    auto centreOf = [&](float x, float y) {
        const ScreenPoint s = view_->viewTransform().project({x, y, 0});
        return QPoint(static_cast<int>(std::lround(s.x)), static_cast<int>(std::lround(s.y)));
    };
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, centreOf(-0.5f, -0.5f));
    EXPECT_EQ(indices(shape_->GetSubSelection(view_->DeviceID())), (std::vector<std::int32_t>{0}));
    EXPECT_EQ(view_->CurrentPolygon(), 0);
    QTest::mouseClick(view_.get(), Qt::LeftButton, Qt::ShiftModifier, centreOf(0.5f, 0.5f));
    EXPECT_EQ(indices(shape_->GetSubSelection(view_->DeviceID())),
              (std::vector<std::int32_t>{0, 3}));
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(scene_->GetSelectedShapeCount(view_->DeviceID()), 0);
}

TEST_F(EditportWidgetTest, AnOrbitDragOnEmptySpaceTurnsTheCamera) {
    view_->setProjectionType(0);
    shape_ = quadGrid(1, 1, 1.0f, scene_->CreateShape());
    root_->AddShape(shape_);
    view_->SetCameraPosition(0.0f, 0.0f, 8.0f);
    show();
    QTest::mousePress(view_.get(), Qt::LeftButton, {}, QPoint(5, 190));
    moveTo(QPoint(45, 190));
    QTest::mouseRelease(view_.get(), Qt::LeftButton, {}, QPoint(45, 190));
    EXPECT_NE(view_->CameraPosition().x, 0.0f);
    EXPECT_NEAR(std::hypot(view_->CameraPosition().x, view_->CameraPosition().z), 8.0, 1e-3);
    EXPECT_EQ(std::count(log_.begin(), log_.end(), "ViewChange"), 1);
    EXPECT_EQ(scene_->GetSelectedShapeCount(view_->DeviceID()), 0);
}

TEST_F(EditportWidgetTest, SelectChartAndDeselectChartWorkOnTheChartsOfTheSelection) {
    view_->setProjectionType(1);
    view_->SetCameraPosition(0.5f, 0.5f, -10.0f);
    view_->setViewExtent(0.6f);
    // Two quads touching at (0.5, 0.5) through separate vertices 2 and 4.
    shape_ = testing_shapes::shapeFrom(scene_->CreateShape(),
                                       {{0.1f, 0.1f, 0},
                                        {0.5f, 0.1f, 0},
                                        {0.5f, 0.5f, 0},
                                        {0.1f, 0.5f, 0},
                                        {0.5f, 0.5f, 0},
                                        {0.9f, 0.5f, 0},
                                        {0.9f, 0.9f, 0},
                                        {0.5f, 0.9f, 0}},
                                       {{0, 1, 2, 3}, {4, 5, 6, 7}});
    shape_->SetDisplayMode(11);
    root_->AddShape(shape_);
    show();
    QTest::mouseClick(view_.get(), Qt::LeftButton, {}, screenOf(0));
    view_->SelectChart();
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0, 1, 2, 3}));
    EXPECT_TRUE(log_.end() == std::find(log_.begin() + 3, log_.end(), "SelectionChange"));
    // A context menu opened over the other chart: DeselectChart leaves the selection alone.
    QTest::mouseClick(view_.get(), Qt::RightButton, {}, screenOf(6));
    view_->DeselectChart();
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0, 1, 2, 3}));
    // Over the selected chart: it goes, and the view has no selection left.
    QTest::mouseClick(view_.get(), Qt::RightButton, {}, screenOf(1));
    view_->DeselectChart();
    EXPECT_EQ(scene_->GetSelectedShapeCount(view_->DeviceID()), 0);
}

TEST_F(EditportWidgetTest, TheKeyDTheWheelAMiddleDragAndResetViewChangeTheView) {
    flatGrid();
    // Quad 0 gets four times the texture of the others: enlarged (red), the others shrunk.
    std::vector<Vector2> texcoords;
    std::vector<std::int32_t> corners;
    for (std::int32_t p = 0; p < 4; ++p) {
        const float side = p == 0 ? 2.0f : 1.0f;
        for (const Vector2& c :
             {Vector2{0, 0}, Vector2{side, 0}, Vector2{side, side}, Vector2{0, side}}) {
            corners.push_back(static_cast<std::int32_t>(texcoords.size()));
            texcoords.push_back(c);
        }
    }
    shape_->assignTexCoords(texcoords, corners);
    view_->Refresh();
    const QImage before = view_->grabView();
    QSignalSpy changes(view_.get(), &Editport::StretchModeChange);
    const auto red = [](QRgb c) { return qRed(c) > qBlue(c) + 40; };
    const auto blue = [](QRgb c) { return qBlue(c) > qRed(c) + 40; };
    for (int expected : {1, 2, 0}) {
        QTest::keyClick(view_.get(), Qt::Key_D);
        ASSERT_EQ(changes.count(), 1) << expected;
        EXPECT_EQ(changes.takeFirst().at(0).toInt(), expected);
        EXPECT_EQ(view_->stretchMode(), expected);
        const QImage image = view_->grabView();
        const QRgb enlarged = image.pixel(58, 58), shrunk = image.pixel(141, 141);
        if (expected == 1) {
            EXPECT_TRUE(red(enlarged)) << std::hex << enlarged;
            EXPECT_TRUE(blue(shrunk)) << std::hex << shrunk;
        } else if (expected == 2) {
            // Evenly scaled squares keep their angles: neutral grey, neither red nor blue.
            EXPECT_FALSE(red(enlarged) || blue(enlarged)) << std::hex << enlarged;
        } else {
            EXPECT_EQ(enlarged, before.pixel(58, 58));
            EXPECT_EQ(shrunk, before.pixel(141, 141));
        }
    }

    // A middle drag pans the flat view.
    const Vector3 camera = view_->CameraPosition();
    log_.clear();
    QTest::mousePress(view_.get(), Qt::MiddleButton, {}, QPoint(100, 100));
    moveTo(QPoint(120, 90));
    QTest::mouseRelease(view_.get(), Qt::MiddleButton, {}, QPoint(120, 90));
    EXPECT_EQ(log_, (Log{"ViewChange"}));
    EXPECT_NEAR(view_->CameraPosition().x, camera.x - 20 * 0.006f, 1e-5);
    EXPECT_NEAR(view_->CameraPosition().y, camera.y + 10 * 0.006f, 1e-5);

    // The wheel zooms about the pointer.
    log_.clear();
    const QPointF at(150, 40);
    const Vector3 under = view_->viewTransform().unproject(at.x(), at.y(), 1.0);
    QWheelEvent wheel(at, view_->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view_.get(), &wheel);
    EXPECT_EQ(log_, (Log{"ViewChange"}));
    EXPECT_NEAR(view_->ViewExtent(), 0.6f * 0.85f, 1e-6);
    const ScreenPoint s = view_->viewTransform().project(under);
    EXPECT_NEAR(s.x, 150.0, 1e-3);
    EXPECT_NEAR(s.y, 40.0, 1e-3);
    view_->setAdvanceNavigation(false);
    QApplication::sendEvent(view_.get(), &wheel);
    EXPECT_NEAR(view_->ViewExtent(), 0.6f * 0.85f, 1e-6);

    // ResetView frames the shapes; RefreshDevice redraws.
    view_->SetCameraPosition(5.0f, 5.0f, -10.0f);
    view_->ResetView();
    EXPECT_NEAR(view_->CameraPosition().x, 0.5f, 1e-6);
    EXPECT_NEAR(view_->CameraPosition().y, 0.5f, 1e-6);
    EXPECT_NEAR(view_->ViewExtent(), 0.5f * 1.04f, 1e-6);
    scene_->RefreshDevice(view_->DeviceID());
    const QImage image = view_->grabView();
    EXPECT_EQ(image.size(), QSize(200, 200));
    // The unselected wires are drawn in slot 6's colour (grey by default).
    const QRgb wire = qRgb(89, 89, 89);
    int wirePixels = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            wirePixels += (image.pixel(x, y) & 0xffffffu) == (wire & 0xffffffu) ? 1 : 0;
        }
    }
    EXPECT_GT(wirePixels, 300);
}
