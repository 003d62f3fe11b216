#include "brontle/model/Toolkit.h"

#include "brontle/model/Frame.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brontle;

TEST(Toolkit, NormalsRotationsAndVectorServices) {
    Toolkit tk;
    const Vector3 ccw[] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    EXPECT_EQ(tk.PolygonNormal(ccw), (Vector3{0, 0, 1}));
    const Vector3 cw[] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    EXPECT_EQ(tk.PolygonNormal(cw), (Vector3{0, 0, -1}));
    const Vector3 line[] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    EXPECT_EQ(tk.PolygonNormal(line), (Vector3{0, 0, 0}));

    const Vector3 z{0, 0, 1};
    // Seen looking along +z with x to the right, y points down: a quarter turn counter-clockwise
    // on that screen takes (1, 0) to (0, -1).
    const Vector3 r = tk.RotateVector({1, 0, 0}, z, 3.14159265f / 2.0f);
    EXPECT_NEAR(r.x, 0.0f, 1e-6f);
    EXPECT_NEAR(r.y, -1.0f, 1e-6f);
    const Vector3 back = tk.RotateVector({1, 0, 0}, {0, 0, -1}, 3.14159265f / 2.0f);
    EXPECT_NEAR(back.y, 1.0f, 1e-6f) << "the other axis turns the other way";
    // 2.5 / 180 * 6.283186 radians is five degrees, counter-clockwise on a y-down screen.
    const Vector3 five = tk.RotateVector({1, 0, 0}, z, 2.5f / 180.0f * 6.283186f);
    EXPECT_NEAR(std::atan2(-five.y, five.x) * 180.0 / 3.14159265358979, 5.0, 1e-4);
    // The zero vector and a zero axis come back unchanged and finite.
    EXPECT_EQ(tk.RotateVector({0, 0, 0}, z, 1.0f), (Vector3{0, 0, 0}));
    EXPECT_EQ(tk.RotateVector({1, 2, 3}, {0, 0, 0}, 1.0f), (Vector3{1, 2, 3}));
    EXPECT_EQ(tk.SetVectorLength({0, 0, 0}, 5.0f), (Vector3{0, 0, 0}));
    EXPECT_EQ(tk.NormalizeVector({0, 0, 0}), (Vector3{0, 0, 0}));

    EXPECT_FLOAT_EQ(tk.VectorLength({3, 4, 0}), 5.0f);
    const Vector3 v = tk.SetVectorLength({3, 4, 0}, 10.0f);
    EXPECT_FLOAT_EQ(v.x, 6.0f);
    EXPECT_FLOAT_EQ(v.y, 8.0f);
    EXPECT_TRUE(tk.VectorsEqual({0, 0, 1}, {0.0001f, -0.0001f, 1}));
    EXPECT_FALSE(tk.VectorsEqual({0, 0, 0}, {0.00011f, 0, 0}));
    EXPECT_FALSE(tk.VectorsEqual({1, 1, 1}, {1.0002f, 1, 1}));
    EXPECT_EQ(tk.MakeVector3(1, 2, 3), (Vector3{1, 2, 3}));
    EXPECT_EQ(tk.MakeVector2(1, 2), (Vector2{1, 2}));
}

TEST(Frames, PlacementsComposeAndInvert) {
    FramePtr root = Frame::create();
    FramePtr child = Frame::create(root);
    FramePtr grandChild = Frame::create(child);
    // A quarter turn about z.
    const Quaternion quarter{0, 0, std::sin(0.7853981634f), std::cos(0.7853981634f)};
    child->SetPlacement(root, -1.0f, {10, 0, 0}, quarter);
    grandChild->SetPlacement(child, -1.0f, {1, 0, 0}, {});
    const Placement world = grandChild->GetPlacement(nullptr);
    EXPECT_NEAR(world.position.x, 10.0f, 1e-5f);
    EXPECT_NEAR(world.position.y, 1.0f, 1e-5f);
    // Placing another frame with the grandchild's placement relative to root reproduces it.
    FramePtr other = Frame::create(root);
    const Placement relative = grandChild->GetPlacement(root);
    other->SetPlacement(root, -1.0f, relative.position, relative.orientation);
    const Placement again = other->GetPlacement(nullptr);
    EXPECT_NEAR(again.position.x, world.position.x, 1e-5f);
    EXPECT_NEAR(again.position.y, world.position.y, 1e-5f);
    EXPECT_EQ(grandChild->GetParent(), child);
    Toolkit().PrepareFrame(child, 1.0f, 0);
    EXPECT_EQ(child->localPlacement(), Placement{});
}
