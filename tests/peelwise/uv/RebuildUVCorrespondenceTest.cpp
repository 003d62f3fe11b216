// The table from UV vertices to atlas texture coordinates: walk order by tag, last visit wins,
// errors, and agreement with the step-by-step form on built layouts.
#include "LiteralOracles.h"
#include "support/ModelBuilders.h"

#include "peelwise/uv/BuildUVShape.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"

#include "brontle/core/Error.h"
#include "brontle/model/Polygon.h"

#include <gtest/gtest.h>

using namespace brontle;
using namespace testing_shapes;
using namespace uv_testing;
using peelwise::modUV::BuildUVShape;
using peelwise::modUV::RebuildUVCorrespondence;

namespace {

struct CorrespondenceFixture : ::testing::Test {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
};

} // namespace

TEST_F(CorrespondenceFixture, SharedVertexKeepsTheLastCornerVisited) {
    // Two UV polygons share vertex 0; their atlas corners have different coordinates.
    ShapePtr atlas =
        atlasFromTexCoords(scene->CreateShape(), {{{0.1f, 0.1f}, {0.2f, 0.1f}, {0.2f, 0.2f}},
                                                  {{0.5f, 0.5f}, {0.6f, 0.5f}, {0.6f, 0.6f}}});
    ShapePtr uv = scene->CreateShape();
    ShapeArrays a;
    a.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    a.normals = {{0, 0, -1}};
    a.texcoords = {{0, 0}};
    a.cornerVertex = {0, 1, 2, 0, 2, 3};
    a.cornerNormal.assign(6, 0);
    a.cornerTexCoord.assign(6, 0);
    a.polygonStart = {0, 3, 6};
    a.polygonTag = {1, -2}; // the second walks k = 2, 1, 0: vertex 0 is visited last
    uv->assignArrays(a);
    std::vector<std::int32_t> table;
    RebuildUVCorrespondence(*uv, *atlas, table);
    EXPECT_EQ(table[0], atlas->GetPolygon(1).GetCornerTexCoordIndex(2));
    EXPECT_EQ(table[3], atlas->GetPolygon(1).GetCornerTexCoordIndex(0));
    EXPECT_EQ(table[1], atlas->GetPolygon(0).GetCornerTexCoordIndex(1));
}

TEST_F(CorrespondenceFixture, EmptyShapeGivesAnEmptyTableAndUnusedVerticesGetZero) {
    std::vector<std::int32_t> table{1, 2, 3};
    ShapePtr empty = scene->CreateShape();
    RebuildUVCorrespondence(*empty, *empty, table);
    EXPECT_TRUE(table.empty());
    ShapePtr loose = scene->CreateShape();
    loose->AddVertex({0.5f, 0.5f, 0});
    RebuildUVCorrespondence(*loose, *empty, table);
    EXPECT_EQ(table, (std::vector<std::int32_t>{0}));
}

TEST_F(CorrespondenceFixture, TagNamingNoAtlasPolygonIsAnErrorAndKeepsTheTable) {
    ShapePtr atlas =
        atlasFromTexCoords(scene->CreateShape(), {{{0.1f, 0.1f}, {0.2f, 0.1f}, {0.2f, 0.2f}}});
    const std::vector<std::int32_t> all{0};
    ShapePtr uv = BuildUVShape(*scene, *atlas, all);
    uv->GetPolygon(0).SetTag(0);
    std::vector<std::int32_t> table{7, 7, 7};
    try {
        RebuildUVCorrespondence(*uv, *atlas, table);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
        EXPECT_EQ(e.source(), "modUV");
        EXPECT_EQ(e.description(),
                  "RebuildUVCorrespondence: UV polygon 0 has tag 0, which names no atlas polygon");
    }
    EXPECT_EQ(table, (std::vector<std::int32_t>{7, 7, 7}));
}

TEST_F(CorrespondenceFixture, MatchesTheStepByStepFormOnRandomLayouts) {
    for (std::uint32_t seed = 100; seed < 130; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        RandomAtlas random = randomAtlas(*scene, seed, 30 + int(seed % 17) * 9);
        ShapePtr uv = BuildUVShape(*scene, *random.shape, random.polygonIndices);
        std::vector<std::int32_t> expected, actual;
        literalRebuildUVCorrespondence(*uv, *random.shape, expected);
        RebuildUVCorrespondence(*uv, *random.shape, actual);
        EXPECT_EQ(actual, expected);
    }
}
