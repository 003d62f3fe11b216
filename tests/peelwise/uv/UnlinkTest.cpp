// Unlink: one polygon's corner leaves a shared point for a point of its own, two sevenths of the
// way towards its neighbours, and its mirrored atlas corner gets a texture coordinate of its own.
#include "UVLayoutFixture.h"

#include "peelwise/uv/UnlinkCorner.h"

#include "brontle/core/Error.h"
#include "brontle/model/Polygon.h"

using namespace brontle;
using namespace uv_testing;
using namespace peelwise::modUV;

namespace {

// (prev + 5 Q + next) / 7 as the single-precision steps A = Q * 5 + prev, N = (next + A) / 7.
float sevenths(float prev, float q, float next) {
    volatile float fiveQ = q * 5.0f;
    volatile float a = fiveQ + prev;
    volatile float sum = next + a;
    return sum / 7.0f;
}

struct UnlinkFixture : UVLayoutFixture {
    void SetUp() override {
        // Two counter-clockwise triangles sharing the texture coordinate (0.5, 0.1).
        layout({{{0.1f, 0.1f}, {0.5f, 0.1f}, {0.1f, 0.5f}},
                {{0.5f, 0.1f}, {0.9f, 0.1f}, {0.5f, 0.5f}}});
    }
    Vector3 point(std::int32_t polygon, std::int32_t corner) {
        return uv->vertices()[uv->GetPolygon(polygon).GetCornerVertex(corner)];
    }
    // The position the test expects for UV corner k of polygon p.
    Vector3 expected(std::int32_t p, std::int32_t k) {
        const std::int32_t c = uv->GetPolygon(p).GetCornerCount();
        const Vector3 prev = point(p, (k + c - 1) % c), q = point(p, k),
                      next = point(p, (k + 1) % c);
        return {sevenths(prev.x, q.x, next.x), sevenths(prev.y, q.y, next.y),
                sevenths(prev.z, q.z, next.z)};
    }
};

} // namespace

TEST(UnlinkPosition, CornerAtTheOriginMovesToOneSeventhOfItsNeighbours) {
    EXPECT_EQ(unlinkPosition({1, 0, 0}, {0, 0, 0}, {0, 1, 0}), (Vector3{1.0f / 7, 1.0f / 7, 0}));
}

TEST_F(UnlinkFixture, SharedPointLeavesOnlyTheCurrentPolygon) {
    const std::int32_t shared = uv->GetPolygon(0).GetCornerVertex(1);
    ASSERT_EQ(shared, uv->GetPolygon(1).GetCornerVertex(0));
    const std::int32_t sharedTex = atlas->GetPolygon(1).GetCornerTexCoordIndex(0);
    ASSERT_EQ(atlas->GetPolygon(0).GetCornerTexCoordIndex(1), sharedTex);
    const Vector2 sharedValue = atlas->texcoords()[sharedTex];
    const Vector3 n = expected(0, 1);
    const std::int32_t vertices = uv->GetVertexCount();

    const UnlinkResult result = UnlinkCorner(*uv, *atlas, 0, shared);
    EXPECT_EQ(result.corner, 1);
    EXPECT_EQ(result.position, n);
    EXPECT_EQ(point(0, 1), n) << "bit-exact single-precision sevenths";
    EXPECT_EQ(uv->GetVertexCount(), vertices + 1);
    EXPECT_EQ(uv->GetPolygon(1).GetCornerVertex(0), shared) << "the other polygon keeps it";
    EXPECT_EQ(atlas->GetPolygon(0).GetCornerTexCoord(1), (Vector2{n.x - 1.0f, -n.y}));
    EXPECT_EQ(atlas->GetPolygon(1).GetCornerTexCoordIndex(0), sharedTex);
    EXPECT_EQ(atlas->texcoords()[sharedTex], sharedValue);
    // The UV corner keeps its normal and texture coordinate values.
    EXPECT_EQ(uv->GetPolygon(0).GetCornerData(1).normal, (Vector3{0, 0, -1}));
    EXPECT_EQ(uv->GetPolygon(0).GetCornerData(1).uv, (Vector2{0, 0}));
}

TEST_F(UnlinkFixture, FirstCornerWrapsToTheLastAndTheLastToTheFirst) {
    const Vector3 first = expected(1, 0);
    UnlinkCorner(*uv, *atlas, 1, uv->GetPolygon(1).GetCornerVertex(0));
    EXPECT_EQ(point(1, 0), first);
    const Vector3 last = expected(1, 2);
    UnlinkCorner(*uv, *atlas, 1, uv->GetPolygon(1).GetCornerVertex(2));
    EXPECT_EQ(point(1, 2), last);
    EXPECT_EQ(atlas->GetPolygon(1).GetCornerTexCoord(2), (Vector2{last.x - 1.0f, -last.y}));
}

TEST_F(UnlinkFixture, NegativeTagChangesTheMirroredAtlasCorner) {
    layout({{{0.1f, 0.1f}, {0.1f, 0.5f}, {0.5f, 0.1f}, {0.45f, 0.05f}}});
    ASSERT_EQ(uv->polygonTag()[0], -1);
    const auto before = atlas->cornerTexCoord();
    const Vector3 n = expected(0, 0);
    UnlinkCorner(*uv, *atlas, 0, uv->GetPolygon(0).GetCornerVertex(0));
    // UV corner 0 of a reversed 4-corner polygon is atlas corner 3.
    EXPECT_EQ(atlas->GetPolygon(0).GetCornerTexCoord(3), (Vector2{n.x - 1.0f, -n.y}));
    for (std::int32_t j = 0; j < 3; ++j) {
        EXPECT_EQ(atlas->cornerTexCoord()[j], before[j]) << "atlas corner " << j;
    }
}

TEST_F(UnlinkFixture, PointOutsideThePolygonIsReportedBeforeAnythingChanges) {
    const auto vertices = uv->vertices();
    const auto corners = uv->cornerVertex();
    const auto texcoords = atlas->cornerTexCoord();
    const std::int32_t other = uv->GetPolygon(1).GetCornerVertex(1);
    try {
        UnlinkCorner(*uv, *atlas, 0, other);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
        EXPECT_EQ(e.source(), "modUV");
        EXPECT_EQ(e.description(), "Unlink: UV polygon 0 has no corner at the selected point " +
                                       std::to_string(other));
    }
    EXPECT_THROW(UnlinkCorner(*uv, *atlas, 5, 0), Error);
    EXPECT_EQ(uv->vertices(), vertices);
    EXPECT_EQ(uv->cornerVertex(), corners);
    EXPECT_EQ(atlas->cornerTexCoord(), texcoords);
}

TEST_F(UnlinkFixture, OverflowingPositionIsReportedBeforeAnythingChanges) {
    std::vector<Vector3> positions = uv->GetVertices();
    positions[uv->GetPolygon(0).GetCornerVertex(1)].x = 3e38f;
    uv->SetVertices(positions);
    const auto corners = uv->cornerVertex();
    const auto texcoords = atlas->cornerTexCoord();
    try {
        UnlinkCorner(*uv, *atlas, 0, uv->GetPolygon(0).GetCornerVertex(1));
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::Overflow);
        EXPECT_EQ(e.source(), "modUV");
    }
    EXPECT_EQ(uv->cornerVertex(), corners);
    EXPECT_EQ(atlas->cornerTexCoord(), texcoords);
}
