// Drag gestures and camera navigation as numbers, without a widget.
#include "ViewsFixtures.h"

#include "brontle/viewmath/Camera.h"
#include "brontle/viewmath/DragGesture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brontle;
using namespace views_fixtures;

namespace {

std::vector<GestureEvent::Type> types(const std::vector<GestureEvent>& events) {
    std::vector<GestureEvent::Type> out;
    for (const GestureEvent& e : events) {
        out.push_back(e.type);
    }
    return out;
}

} // namespace

TEST(DragGestureTest, AMoveBeginsPastTheThresholdAndReportsTotalsAndAClickNone) {
    DragGesture gesture(3.0);
    const ViewTransform view = unitSquareView(200); // 0.005 view units per pixel
    gesture.press(DragGesture::Kind::Move, 100, 100, view, 1000.0);
    EXPECT_TRUE(gesture.move(101, 101).empty()); // under 3 pixels: still a click
    EXPECT_FALSE(gesture.dragging());
    const auto begin = gesture.move(104, 100);
    ASSERT_EQ(types(begin),
              (std::vector<GestureEvent::Type>{GestureEvent::EditBegin, GestureEvent::DragMove}));
    EXPECT_NEAR(begin[1].a, 0.02f, 1e-6);
    EXPECT_NEAR(begin[1].b, 0.0f, 1e-6);
    const auto next = gesture.move(120, 90);
    ASSERT_EQ(next.size(), 1u);
    // Totals since the press, not increments; view y grows downwards like the screen's.
    EXPECT_NEAR(next[0].a, 0.1f, 1e-6);
    EXPECT_NEAR(next[0].b, -0.05f, 1e-6);
    EXPECT_EQ(next[0].c, 0.0f);
    EXPECT_TRUE(gesture.move(120, 90).empty()); // no change, no event
    const auto end = gesture.release(130, 90);
    ASSERT_EQ(types(end),
              (std::vector<GestureEvent::Type>{GestureEvent::DragMove, GestureEvent::EditEnd}));
    EXPECT_NEAR(end[0].a, 0.15f, 1e-6);
    EXPECT_FALSE(gesture.armed());
    // A click gives no edit events.
    gesture.press(DragGesture::Kind::Move, 10, 10, unitSquareView(100), 1.0);
    gesture.move(11, 12);
    EXPECT_TRUE(gesture.release(11, 12).empty());
    EXPECT_TRUE(gesture.move(50, 50).empty()); // disarmed
}

TEST(DragGestureTest, ScalesGrowRightAndUpAndPerspectiveMovesAreMeasuredAtThePressDepth) {
    DragGesture gesture(3.0);
    gesture.press(DragGesture::Kind::Scale, 100, 100, unitSquareView(200), 1.0);
    const auto events = gesture.move(200, 50);
    ASSERT_EQ(types(events),
              (std::vector<GestureEvent::Type>{GestureEvent::EditBegin, GestureEvent::DragScale}));
    EXPECT_FLOAT_EQ(events[1].a, 1.5f);  // half the width to the right
    EXPECT_FLOAT_EQ(events[1].b, 1.25f); // a quarter of the height upwards
    const auto shrink = gesture.release(60, 140);
    ASSERT_EQ(shrink.size(), 2u);
    EXPECT_FLOAT_EQ(shrink[0].a, 0.8f);
    EXPECT_FLOAT_EQ(shrink[0].b, 0.8f);
    EXPECT_EQ(shrink[1].type, GestureEvent::EditEnd);

    // A perspective move is measured at the depth of the press.
    const ViewTransform view =
        perspectiveViewTransform({0, 0, 10}, {0, 0, 0}, 45.0, 200, 200, 0.1, 100.0);
    DragGesture deep;
    const ScreenPoint from = view.project({0, 0, 0});
    const ScreenPoint to = view.project({1, 0, 0});
    deep.press(DragGesture::Kind::Move, from.x, from.y, view, from.depth);
    const auto moved = deep.move(to.x, to.y);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_NEAR(moved[1].a, 1.0f, 1e-4);
    EXPECT_NEAR(moved[1].b, 0.0f, 1e-4);
    EXPECT_NEAR(moved[1].c, 0.0f, 1e-4);
}

TEST(CameraTest, FlatCameraMapsPositionAndExtentToTheShorterSide) {
    Camera camera;
    camera.setFlat(true);
    camera.setPosition({0.505f, 0.495f, -1000.0f});
    camera.setExtent(0.52);
    EXPECT_DOUBLE_EQ(camera.extent(), 0.52);
    const ViewTransform t = camera.transform(400, 200);
    const ScreenPoint centre = t.project({0.505f, 0.495f, 0});
    EXPECT_NEAR(centre.x, 200.0, 1e-3);
    EXPECT_NEAR(centre.y, 100.0, 1e-3);
    // The half-height is 0.52: the top edge shows y = 0.495 - 0.52.
    EXPECT_NEAR(t.project({0.505f, 0.495f - 0.52f, 0}).y, 0.0, 1e-3);
    EXPECT_FLOAT_EQ(camera.position().z, -1000.0f);
    // The extent is the half of the shorter side.
    camera.setPosition({0.5f, 0.5f, -10.0f});
    camera.setExtent(0.5);
    // Taller than wide: the tile [0, 1] spans the whole width and is centred vertically.
    const ViewTransform tall = camera.transform(200, 300);
    EXPECT_NEAR(tall.project({0.0f, 0.5f, 0}).x, 0.0, 1e-3);
    EXPECT_NEAR(tall.project({1.0f, 0.5f, 0}).x, 200.0, 1e-3);
    EXPECT_NEAR(tall.project({0.5f, 0.0f, 0}).y, 50.0, 1e-3);
    EXPECT_NEAR(tall.project({0.5f, 1.0f, 0}).y, 250.0, 1e-3);
    // Wider than tall: the tile spans the whole height.
    const ViewTransform wide = camera.transform(300, 200);
    EXPECT_NEAR(wide.project({0.5f, 0.0f, 0}).y, 0.0, 1e-3);
    EXPECT_NEAR(wide.project({0.0f, 0.5f, 0}).x, 50.0, 1e-3);
    // Framing a tall box in a tall view fits its height too.
    camera.frame(BoundingBox{0, 0, 0, 1, 3, 0}, 200, 300);
    const ViewTransform framed = camera.transform(200, 300);
    EXPECT_GE(framed.project({0.5f, 0.0f, 0}).y, 0.0);
    EXPECT_LE(framed.project({0.5f, 3.0f, 0}).y, 300.0);
    EXPECT_NEAR(framed.project({0.5f, 3.0f, 0}).y - framed.project({0.5f, 0.0f, 0}).y, 300.0 / 1.04,
                1e-2);
}

TEST(CameraTest, WheelZoomAndPanKeepThePointerOnTheContent) {
    for (bool flat : {true, false}) {
        Camera camera;
        camera.setFlat(flat);
        camera.setPosition(flat ? Vector3{0.5f, 0.5f, -10.0f} : Vector3{3.0f, 4.0f, 12.0f});
        camera.setExtent(flat ? 0.5 : 4.0);
        const ViewTransform before = camera.transform(300, 200);
        const double depth = flat ? 1.0 : 13.0;
        const Vector3 under = before.unproject(220.0, 60.0, depth);
        const double extent = camera.extent();
        camera.zoomAbout(220.0, 60.0, 0.5, 300, 200);
        EXPECT_NEAR(camera.extent(), extent * 0.5, 1e-6 * extent);
        const ScreenPoint after = camera.transform(300, 200).project(under);
        EXPECT_NEAR(after.x, 220.0, 1e-3) << (flat ? "flat" : "3D");
        EXPECT_NEAR(after.y, 60.0, 1e-3) << (flat ? "flat" : "3D");
    }
    // A pan makes the content follow the pointer.
    for (bool flat : {true, false}) {
        Camera camera;
        camera.setFlat(flat);
        camera.setPosition(flat ? Vector3{0.5f, 0.5f, -10.0f} : Vector3{0.0f, 2.0f, 10.0f});
        const Vector3 point = flat ? Vector3{0.5f, 0.5f, 0.0f} : Vector3{0.0f, 0.0f, 0.0f};
        const ScreenPoint before = camera.transform(200, 200).project(point);
        camera.pan(30.0, -20.0, 200, 200);
        const ScreenPoint after = camera.transform(200, 200).project(point);
        EXPECT_NEAR(after.x - before.x, 30.0, 1e-3);
        EXPECT_NEAR(after.y - before.y, -20.0, 1e-3);
    }
}

TEST(CameraTest, ThreeDimensionalEyeLooksAtTheOriginAndOrbitsStoppingShortOfThePoles) {
    Camera camera;
    camera.setOrigin({10.0f, 0.0f, 0.0f});
    camera.setPosition({5.0f, 5.0f, -15.0f});
    const ViewTransform t = camera.transform(200, 100);
    const ScreenPoint origin = t.project({10.0f, 0.0f, 0.0f});
    EXPECT_NEAR(origin.x, 100.0, 1e-6);
    EXPECT_NEAR(origin.y, 50.0, 1e-6);
    EXPECT_NEAR(origin.depth, std::sqrt(25.0 + 25.0 + 225.0), 1e-5);
    // The extent is the half-height at the origin's distance; setting it dollies the eye.
    camera.setExtent(2.0);
    EXPECT_NEAR(camera.extent(), 2.0, 1e-5);
    const ScreenPoint top = camera.transform(200, 100).project({10.0f, 0.0f, 0.0f});
    EXPECT_NEAR(top.y, 50.0, 1e-6);
    // An orbit turns about the centre and stops short of the poles.
    camera.setPosition({0.0f, 0.0f, 10.0f});
    camera.orbit(180.0, 0.0); // 90 degrees about the vertical axis
    EXPECT_NEAR(camera.position().x, -10.0f, 1e-4);
    EXPECT_NEAR(camera.position().z, 0.0f, 1e-4);
    camera.orbit(0.0, 1000.0); // far past the pole
    const Vector3 p = camera.position();
    EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 10.0, 1e-3);
    EXPECT_LT(std::abs(p.y), 10.0f);
    EXPECT_GT(std::abs(p.y), 9.9f);
}

TEST(CameraTest, FramingFitsEveryCornerOnTheScreen) {
    for (bool flat : {true, false}) {
        Camera camera;
        camera.setFlat(flat);
        camera.setPosition(flat ? Vector3{0, 0, -5} : Vector3{5, 5, -15});
        const BoundingBox box{2, -1, 0, 6, 3, flat ? 0.0f : 2.0f};
        camera.frame(box, 300, 150);
        const ViewTransform t = camera.transform(300, 150);
        for (int i = 0; i < 8; ++i) {
            const ScreenPoint s =
                t.project({(i & 1) ? box.maxX : box.minX, (i & 2) ? box.maxY : box.minY,
                           (i & 4) ? box.maxZ : box.minZ});
            EXPECT_TRUE(s.visible);
            EXPECT_GE(s.x, 0.0);
            EXPECT_LE(s.x, 300.0);
            EXPECT_GE(s.y, 0.0);
            EXPECT_LE(s.y, 150.0);
        }
        // An empty box changes nothing.
        const Vector3 before = camera.position();
        camera.frame(BoundingBox{1, 1, 1, 0, 0, 0}, 300, 150);
        EXPECT_EQ(camera.position(), before);
    }
}
