// Welds: targets of the four commands, joining corners by position, the correspondence after a
// weld, errors, and agreement with the step-by-step form.
#include "LiteralOracles.h"
#include "UVLayoutFixture.h"

#include "peelwise/uv/WeldTargets.h"
#include "peelwise/uv/WeldUVPoints.h"

#include "brontle/core/Error.h"
#include "brontle/model/Polygon.h"

#include <algorithm>
#include <cstdlib>

using namespace brontle;
using namespace uv_testing;
using namespace peelwise::modUV;

namespace {

struct WeldFixture : UVLayoutFixture {
    void SetUp() override {
        // Two charts; the first is clockwise in texture space, so its UV polygon is reversed.
        layout({{{0.1f, 0.1f}, {0.1f, 0.3f}, {0.3f, 0.1f}},
                {{0.6f, 0.6f}, {0.8f, 0.6f}, {0.6f, 0.8f}}});
    }
    void weld(const Vector3& target, const SubSelection& points) {
        std::vector<Vector3> positions = uv->GetVertices();
        WeldUVPoints(target, points, *uv, positions, *atlas, table);
        EXPECT_EQ(positions, uv->vertices());
        RebuildUVCorrespondence(*uv, *atlas, table);
    }
    // For corner j of the atlas polygon that UV polygon p mirrors: the UV vertex of the
    // matching UV corner and the atlas corner's texture-coordinate index.
    std::pair<std::int32_t, std::int32_t> cornerOf(std::int32_t p, std::int32_t j) {
        const std::int32_t tag = uv->polygonTag()[p];
        const std::int32_t c = uv->GetPolygon(p).GetCornerCount();
        const std::int32_t k = tag > 0 ? j : c - 1 - j;
        return {uv->GetPolygon(p).GetCornerVertex(k),
                atlas->GetPolygon(std::abs(tag) - 1).GetCornerTexCoordIndex(j)};
    }
    // After any weld: every used UV vertex's table entry is the texture coordinate of a corner
    // that uses it, with the corner order of reversed polygons taken into account.
    void expectTableNamesACornerOfEveryVertex() {
        for (std::int32_t v = 0; v < uv->GetVertexCount(); ++v) {
            bool used = false, named = false;
            for (std::int32_t p = 0; p < uv->GetPolygonCount(); ++p) {
                for (std::int32_t j = 0; j < uv->GetPolygon(p).GetCornerCount(); ++j) {
                    const auto [vertex, texcoord] = cornerOf(p, j);
                    if (vertex == v) {
                        used = true;
                        named = named || texcoord == table[v];
                    }
                }
            }
            EXPECT_TRUE(!used || named) << "vertex " << v;
        }
    }
};

} // namespace

TEST_F(WeldFixture, APointWithinTheToleranceOfTheTargetJoinsThoughNotSelected) {
    const std::int32_t a = cornerOf(0, 0).first; // UV (0.1, 0.9)
    const std::int32_t b = cornerOf(1, 1).first; // UV (0.8, 0.4)
    const std::int32_t c = cornerOf(1, 2).first; // UV (0.6, 0.2): moved beside the target
    const Vector3 target = uv->vertices()[a];
    std::vector<Vector3> positions = uv->GetVertices();
    positions[c] = {target.x + 0.00005f, target.y - 0.00005f, 0.0f};
    uv->SetVertices(positions);
    weld(target, listOf({b}));
    EXPECT_EQ(cornerOf(1, 2).first, cornerOf(0, 0).first) << "the near point joined";
    EXPECT_EQ(cornerOf(1, 1).first, cornerOf(0, 0).first);
    EXPECT_EQ(cornerOf(1, 1).second, cornerOf(0, 0).second);
    // c's own texture coordinate was not on the target, so its atlas corner keeps its own.
    EXPECT_NE(cornerOf(1, 2).second, cornerOf(0, 0).second);
}

TEST_F(WeldFixture, ExactlyTheToleranceAwayIsNotOnTheTarget) {
    // The corner test is strict: 0.0001 apart on x (exactly, in single precision) stays apart.
    const std::int32_t a = cornerOf(0, 0).first;
    const std::int32_t b = cornerOf(1, 0).first;
    std::vector<Vector3> positions = uv->GetVertices();
    positions[a] = {0.0f, 0.5f, 0.0f};
    positions[b] = {0.0001f, 0.5f, 0.0f};
    uv->SetVertices(positions);
    weld(positions[a], listOf({a}));
    EXPECT_NE(cornerOf(1, 0).first, cornerOf(0, 0).first);
    // Just inside, it joins.
    positions = uv->GetVertices();
    positions[b] = {0.00009f, 0.5f, 0.0f};
    uv->SetVertices(positions);
    weld(positions[a], listOf({a}));
    EXPECT_EQ(cornerOf(1, 0).first, cornerOf(0, 0).first);
}

TEST_F(WeldFixture, MeanSumsInSinglePrecisionAndDividesInDouble) {
    const std::vector<Vector3> positions = {{0.1f, 0.7f, 0.3f}, {0.2f, 0.1f, 0}, {0.4f, 0.3f, 0}};
    float sx = 0.0f, sy = 0.0f;
    for (int i : {2, 0, 1}) {
        sx += positions[i].x;
        sy += positions[i].y;
    }
    const Vector3 mean = weldTargetMean(listOf({2, 0, 1}), positions);
    EXPECT_EQ(mean, (Vector3{float(double(sx) / 3.0), float(double(sy) / 3.0), 0.0f}));
    EXPECT_THROW(weldTargetMean(SubSelection{}, positions), Error);
}

TEST_F(WeldFixture, NearestPointTiesKeepTheLowerIndexAndPointsOnTheFirstAreNeverChosen) {
    // Binary fractions, so that the two distances of 0.25 are equal in single precision.
    const std::vector<Vector3> positions = {
        {0.5f, 0.5f, 0},        // 0: the first selected point
        {0.5f, 0.50005f, 0},    // 1: lies on it, y within the tolerance
        {0.5f, 0.75f, 0},       // 2: 0.25 away
        {0.25f, 0.5f, 0},       // 3: 0.25 away, a tie with 2
        {0.5f, 0.5f, 0.00005f}, // 4: lies on it, z within the tolerance
    };
    EXPECT_EQ(findNearestOtherPoint(positions, positions[0]), 2)
        << "1 and 4 lie on the first point; 2 and 3 tie and 2 is lower";
    // Exactly 0.0001 away on x, the boundary: skipped.
    const std::vector<Vector3> boundary = {{0, 0, 0}, {0.0001f, 0, 0}, {0.5f, 0, 0}};
    EXPECT_EQ(findNearestOtherPoint(boundary, boundary[0]), 2);
    const std::vector<Vector3> alone = {{0, 0, 0}, {0.00002f, 0, 0}};
    EXPECT_EQ(findNearestOtherPoint(alone, alone[0]), -1);
}

TEST_F(WeldFixture, NearestCommandsChooseTheTargetAndGrowTheList) {
    const std::vector<Vector3> positions = {{0.5f, 0.5f, 0}, {0.9f, 0.9f, 0}, {0.55f, 0.5f, 0}};
    SubSelection pull = listOf({0});
    EXPECT_EQ(chooseWeldTarget(WeldKind::Nearest, pull, positions), positions[0]);
    EXPECT_EQ(pull, listOf({0, 2}));
    SubSelection go = listOf({0});
    EXPECT_EQ(chooseWeldTarget(WeldKind::ToNearest, go, positions), positions[2]);
    EXPECT_EQ(go, listOf({0, 2}));
    SubSelection first = listOf({1, 0});
    EXPECT_EQ(chooseWeldTarget(WeldKind::ToSelected, first, positions), positions[1]);
    EXPECT_EQ(first, listOf({1, 0}));

    SubSelection none;
    try {
        chooseWeldTarget(WeldKind::Selection, none, positions);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
        EXPECT_EQ(e.source(), "modUV");
        EXPECT_EQ(e.description(), "Weld: no UV point is selected");
    }
    const std::vector<Vector3> stacked = {{0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}};
    SubSelection lonely = listOf({0});
    try {
        chooseWeldTarget(WeldKind::Nearest, lonely, stacked);
        FAIL() << "expected an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::SubscriptOutOfRange);
        EXPECT_EQ(e.description(), "Weld: there is no other point to weld with; every UV point "
                                   "lies on the selected one");
    }
    EXPECT_EQ(lonely, listOf({0})) << "nothing changed";
}

TEST_F(WeldFixture, BadPointIsReportedBeforeAnythingChanges) {
    const auto vertices = uv->vertices();
    const auto texcoords = atlas->texcoords();
    std::vector<Vector3> positions = uv->GetVertices();
    EXPECT_THROW(WeldUVPoints({0.5f, 0.5f, 0}, listOf({0, 99}), *uv, positions, *atlas, table),
                 Error);
    std::vector<Vector3> shortPositions(positions.begin(), positions.end() - 1);
    EXPECT_THROW(WeldUVPoints({0.5f, 0.5f, 0}, listOf({0}), *uv, shortPositions, *atlas, table),
                 Error);
    EXPECT_EQ(positions, vertices);
    EXPECT_EQ(uv->vertices(), vertices);
    EXPECT_EQ(atlas->texcoords(), texcoords);
}

TEST_F(WeldFixture, MatchesTheStepByStepFormOnRandomLayouts) {
    std::mt19937 random(11);
    for (std::uint32_t seed = 300; seed < 330; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        layoutRandom(seed, 40);
        ShapePtr uvCopy = copyOf(*scene, *uv);
        ShapePtr atlasCopy = copyOf(*scene, *atlas);
        std::vector<std::int32_t> tableCopy = table;
        std::uniform_int_distribution<int> pick(0, uv->GetVertexCount() - 1);
        SubSelection points = listOf({pick(random), pick(random), pick(random)});
        std::vector<Vector3> positions = uv->GetVertices();
        const Vector3 target =
            seed % 2 ? weldTargetMean(points, positions) : positions[points.entries[1].index];
        std::vector<Vector3> positionsCopy = positions;
        literalWeldUVPoints(target, points, *uvCopy, positionsCopy, *atlasCopy, tableCopy);
        WeldUVPoints(target, points, *uv, positions, *atlas, table);
        expectSameShape(*uv, *uvCopy);
        expectSameShape(*atlas, *atlasCopy);
        EXPECT_EQ(positions, positionsCopy);
        RebuildUVCorrespondence(*uv, *atlas, table);
        expectTableNamesACornerOfEveryVertex();
    }
}

// The join takes corners strictly within 0.0001 of the target: an atlas corner exactly that far
// away on u, or on v, keeps its own texture coordinate; one just inside joins.
TEST_F(WeldFixture, AtlasCornersExactlyTheToleranceAwayKeepTheirOwnTextureCoordinates) {
    const auto [a, ta] = cornerOf(0, 2);
    const std::int32_t tb = cornerOf(1, 0).second;
    const std::int32_t tc = cornerOf(1, 1).second;
    const std::int32_t td = cornerOf(1, 2).second;
    // The welded point's coordinate comes first, so the weld's find-or-add at the target
    // returns it and not one of the others.
    ASSERT_LT(ta, std::min({tb, tc, td}));
    // Target (1, 0) stands for texture coordinate (0, 0), where single-precision differences
    // of 0.0001f are exact.
    const Vector3 target{1.0f, 0.0f, 0.0f};
    std::vector<Vector2> texcoords = atlas->GetTextureCoordinates();
    texcoords[tb] = {0.0001f, 0.0f};
    texcoords[tc] = {0.0f, -0.0001f};
    texcoords[td] = {0.00009f, -0.00009f};
    atlas->SetTextureCoordinates(texcoords);

    weld(target, listOf({a}));
    const std::int32_t joined = cornerOf(0, 2).second;
    EXPECT_EQ(atlas->texcoords()[joined], (Vector2{0.0f, -0.0f}));
    EXPECT_EQ(cornerOf(1, 0).second, tb) << "u exactly at the tolerance";
    EXPECT_EQ(cornerOf(1, 1).second, tc) << "v exactly at the tolerance";
    EXPECT_EQ(atlas->texcoords()[tb], (Vector2{0.0001f, 0.0f}));
    EXPECT_EQ(atlas->texcoords()[tc], (Vector2{0.0f, -0.0001f}));
    EXPECT_EQ(cornerOf(1, 2).second, joined) << "just inside the tolerance";
}
