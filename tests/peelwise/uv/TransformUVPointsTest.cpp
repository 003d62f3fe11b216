// UV transform steps: the point list, the bounds, the unit-square clamp, the texture coordinates
// that follow, and agreement with the point-by-point form, which fixes the arithmetic of every
// scale, move and rotation with and without locks.
#include "LiteralOracles.h"
#include "UVLayoutFixture.h"

#include "peelwise/uv/GetUVSelectionBounds.h"
#include "peelwise/uv/TransformUVPoints.h"

#include "brontle/core/Error.h"

#include <cmath>

using namespace brontle;
using namespace uv_testing;
using namespace peelwise::modUV;

namespace {

struct TransformFixture : UVLayoutFixture {
    void SetUp() override {
        // Two squares: a small one inside the unit square and one touching its right edge.
        layout({{{0.2f, 0.2f}, {0.4f, 0.2f}, {0.4f, 0.4f}, {0.2f, 0.4f}},
                {{0.75f, 0.5f}, {1.0f, 0.5f}, {1.0f, 0.75f}, {0.75f, 0.75f}}});
    }
    void transform(int mode, float ax, float ay, bool lockX = false, bool lockY = false) {
        TransformUVPoints(*scene, uvDevice, *uv, atlas.get(), table, mode, ax, ay, lockX, lockY);
    }
    Vector3 at(std::int32_t v) const { return uv->vertices()[v]; }
};

} // namespace

TEST_F(TransformFixture, BoundsCoverAllPointsWhenNothingIsSelected) {
    const BoundingBox box = GetUVSelectionBounds(*scene, uvDevice, *uv);
    EXPECT_FLOAT_EQ(box.minX, 0.2f);
    EXPECT_EQ(box.maxX, 1.0f);
    EXPECT_FLOAT_EQ(box.minY, 0.25f);
    EXPECT_FLOAT_EQ(box.maxY, 0.8f);
    EXPECT_EQ(box.minZ, 0.0f);
    EXPECT_EQ(box.maxZ, 0.0f);
}

TEST_F(TransformFixture, BoundsOfTheSelectionAndStartValuesForAnEmptyOne) {
    const std::int32_t a = vertexAt(0.2f, 0.8f);
    const std::int32_t b = vertexAt(0.4f, 0.6f);
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    selectPoints({a, b});
    BoundingBox box = GetUVSelectionBounds(*scene, uvDevice, *uv);
    EXPECT_EQ(box.minX, at(a).x);
    EXPECT_EQ(box.maxX, at(b).x);
    EXPECT_EQ(box.minY, at(b).y);
    EXPECT_EQ(box.maxY, at(a).y);
    selectPoints({});
    box = GetUVSelectionBounds(*scene, uvDevice, *uv);
    EXPECT_EQ(box, (BoundingBox{1e14f, 1e14f, 0.0f, -1e14f, -1e14f, 0.0f}));
    // An empty selection transforms nothing, not even by the rounding of the centre shift.
    const auto before = uv->vertices();
    transform(kTransformScale, 1.05f, 1.05f);
    transform(kTransformRotate, 2.5f, 0.0f);
    EXPECT_EQ(uv->vertices(), before);
}

TEST_F(TransformFixture, ScaleClampsAtTheUnitSquareAndTheTextureCoordinateFollows) {
    // Enlarging everything pushes the right square's edge points past x = 1: they stop there.
    for (int i = 0; i < 5; ++i) {
        transform(kTransformScale, 1.05f, 1.05f);
    }
    const BoundingBox box = GetUVSelectionBounds(*scene, uvDevice, *uv);
    EXPECT_EQ(box.maxX, 1.0f);
    EXPECT_GE(box.minX, 0.0f);
    int onEdge = 0;
    for (std::int32_t v = 0; v < uv->GetVertexCount(); ++v) {
        onEdge += at(v).x == 1.0f;
    }
    EXPECT_EQ(onEdge, 2);
    expectTexCoordsFollow();
    const std::int32_t corner = [&] {
        for (std::int32_t v = 0; v < uv->GetVertexCount(); ++v) {
            if (at(v).x == 1.0f) {
                return v;
            }
        }
        return -1;
    }();
    EXPECT_EQ(atlas->texcoords()[table[corner]].u, 0.0f);
    EXPECT_EQ(atlas->texcoords()[table[corner]].v, -at(corner).y);
}

TEST_F(TransformFixture, WithoutAnAtlasOnlyTheUVPointsMove) {
    const auto texcoords = atlas->texcoords();
    const float x = at(0).x;
    TransformUVPoints(*scene, uvDevice, *uv, nullptr, table, kTransformMove, 0.01f, 0.0f, false,
                      false);
    EXPECT_EQ(atlas->texcoords(), texcoords);
    EXPECT_EQ(at(0).x, x + 0.01f);
}

TEST_F(TransformFixture, MissingTableEntryIsReportedBeforeAnythingMoves) {
    const auto before = uv->vertices();
    const auto texcoords = atlas->texcoords();
    std::vector<std::int32_t> shortTable(table.begin(), table.begin() + 2);
    try {
        TransformUVPoints(*scene, uvDevice, *uv, atlas.get(), shortTable, kTransformScale, 2.0f,
                          2.0f, false, false);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
        EXPECT_EQ(e.source(), "modUV");
        EXPECT_EQ(e.description(), "UV point 2 has no entry in the texture-coordinate table");
    }
    EXPECT_EQ(uv->vertices(), before);
    EXPECT_EQ(atlas->texcoords(), texcoords);
}

TEST_F(TransformFixture, MatchesThePointByPointFormOnRandomLayouts) {
    std::mt19937 random(5);
    for (std::uint32_t seed = 200; seed < 224; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        layoutRandom(seed, 40);
        ShapePtr uvCopy = copyOf(*scene, *uv);
        ShapePtr atlasCopy = copyOf(*scene, *atlas);
        // Half the runs transform a selection (with a repeated point), half all points.
        if (seed % 2 == 0) {
            std::uniform_int_distribution<int> pick(0, uv->GetVertexCount() - 1);
            selectPoints({pick(random), pick(random), pick(random)});
            uv->SetSubSelection(uvDevice, kSelectPoints, [&] {
                SubSelection s = uv->GetSubSelection(uvDevice);
                s.add(s.entries.front().index);
                return s;
            }());
        }
        const int mode = static_cast<int>(seed % 3);
        const bool lockX = seed % 5 == 0, lockY = seed % 7 == 0;
        const float ax = mode == 2 ? 2.5f : (mode == 0 ? 1.05f : 0.05f);
        const float ay = mode == 0 ? 0.95f : -0.05f;
        std::vector<std::int32_t> tableCopy = table;
        // The oracle acts on the copies, with the same selection in a second view.
        const DeviceID oracleDevice = newDeviceID();
        if (seed % 2 == 0) {
            uvCopy->SetSubSelection(oracleDevice, kSelectPoints, uv->GetSubSelection(uvDevice));
        }
        literalTransformUVPoints(*scene, oracleDevice, *uvCopy, atlasCopy.get(), tableCopy, mode,
                                 ax, ay, lockX, lockY);
        TransformUVPoints(*scene, uvDevice, *uv, atlas.get(), table, mode, ax, ay, lockX, lockY);
        EXPECT_EQ(uv->vertices(), uvCopy->vertices());
        EXPECT_EQ(atlas->texcoords(), atlasCopy->texcoords());
        scene->ClearSelection(uvDevice);
        scene->ClearSelection(oracleDevice);
    }
}
