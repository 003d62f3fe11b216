// The four weld buttons and what they leave: the target each chooses (mean, first selected,
// nearest other point with ties and excluded points), corners on the target sharing one UV
// vertex and one atlas texture coordinate, the selection cleared, the table and cache rebuilt,
// and failures reported before anything has changed.
#include "UVEditFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

namespace {

using namespace uvedit_testing;

// Exact binary fractions, so that equal distances are equal in single precision:
//   polygon 0 quad UV (0.25, 0.75) (0.5, 0.75) (0.5, 0.5) (0.25, 0.5)          tag +1
//   polygon 1 quad UV (0.625, 0.75) (0.875, 0.75) (0.875, 0.5) (0.625, 0.5)   tag +2, own chart
//   polygon 2 tri  UV (0.5, 0.125) (0.25, 0.125) (0.25, 0.375)                tag -3 (reversed)
const std::vector<std::vector<Vector2>> kWeldLayout = {
    {{0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}, {0.25f, 0.5f}},
    {{0.625f, 0.25f}, {0.875f, 0.25f}, {0.875f, 0.5f}, {0.625f, 0.5f}},
    {{0.25f, 0.625f}, {0.25f, 0.875f}, {0.5f, 0.875f}},
};

class WeldCommandsTest : public UVEditFixture {
  protected:
    void SetUp() override {
        UVEditFixture::SetUp();
        layout(kWeldLayout);
    }

    // Moves UV point v to (x, y) with its texture coordinate and the cache, as an edit would.
    void placePoint(std::int32_t v, float x, float y) {
        uv().SetVertex(v, {x, y, 0.0f});
        std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
        texcoords[dialog.alUVVertexToTexCoord[v]] = {x - 1.0f, -y};
        atlas().SetTextureCoordinates(texcoords);
        dialog.avUVPositions = uv().GetVertices();
    }

    struct Corner {
        std::int32_t polygon;
        std::int32_t corner;
    };
    // The first UV corner using vertex v.
    Corner cornerOf(std::int32_t v) const {
        for (std::int32_t p = 0; p < uv().GetPolygonCount(); ++p) {
            Polygon polygon = uv().GetPolygon(p);
            for (std::int32_t k = 0; k < polygon.GetCornerCount(); ++k) {
                if (polygon.GetCornerVertex(k) == v) {
                    return {p, k};
                }
            }
        }
        ADD_FAILURE() << "no corner uses " << v;
        return {0, 0};
    }
    std::int32_t vertexOf(Corner c) const {
        return uv().GetPolygon(c.polygon).GetCornerVertex(c.corner);
    }
    std::int32_t texCoordIndexOf(Corner c) const {
        Polygon polygon = uv().GetPolygon(c.polygon);
        const std::int32_t tag = polygon.GetTag();
        const std::int32_t n = polygon.GetCornerCount();
        return atlas()
            .GetPolygon(std::abs(tag) - 1)
            .GetCornerTexCoordIndex(tag > 0 ? c.corner : n - 1 - c.corner);
    }

    // Both corners sit at `target` on one UV vertex and one atlas texture coordinate there.
    void expectJoinedAt(Corner a, Corner b, Vector3 target) const {
        EXPECT_EQ(vertexOf(a), vertexOf(b));
        EXPECT_EQ(uv().GetVertex(vertexOf(a)), target);
        EXPECT_EQ(texCoordIndexOf(a), texCoordIndexOf(b));
        EXPECT_EQ(mirroredTexCoord(a.polygon, a.corner), (Vector2{target.x - 1.0f, -target.y}));
    }

    // What every weld leaves besides the join.
    void expectWeldAftermath() const {
        EXPECT_TRUE(selectedIndices().empty()) << "the point selection is gone";
        EXPECT_EQ(dialog.lHistoryCount, 1);
        EXPECT_TRUE(scripted->messages().empty());
        expectTableMatchesCorners();
        expectCacheIsLayout();
        expectAtlasFollowsLayout();
    }
};

TEST_F(WeldCommandsTest, WeldSelectionJoinsThePointsAtTheirMeanAndJoinsTheirCharts) {
    const std::int32_t d = vertexAt(0.25f, 0.5f);
    const std::int32_t i = vertexAt(0.25f, 0.375f);
    const Corner cd = cornerOf(d), ci = cornerOf(i);
    selectPoints({d, i});
    dialog.cmdWeldSelection_Click();
    const Vector3 mean{0.25f, static_cast<float>((0.5 + 0.375) / 2.0), 0.0f};
    expectJoinedAt(cd, ci, mean);
    EXPECT_EQ(uv().GetVertex(vertexAt(0.25f, 0.75f)), (Vector3{0.25f, 0.75f, 0.0f}))
        << "other points stay";
    expectWeldAftermath();
}

TEST_F(WeldCommandsTest, WeldToSelectedJoinsAtTheFirstSelectedPointAndTakesPointsLyingThere) {
    const std::int32_t d = vertexAt(0.25f, 0.5f);
    const std::int32_t i = vertexAt(0.25f, 0.375f);
    // An unselected point 0.00005 from the target, within the weld tolerance.
    const std::int32_t near = vertexAt(0.625f, 0.75f);
    placePoint(near, 0.25f + 0.00005f, 0.375f);
    const Corner cd = cornerOf(d), ci = cornerOf(i), cn = cornerOf(near);
    selectPoints({i, d});
    dialog.cmdWeldToSelected_Click();
    const Vector3 target{0.25f, 0.375f, 0.0f};
    expectJoinedAt(cd, ci, target);
    EXPECT_EQ(vertexOf(cn), vertexOf(ci)) << "the point lying on the target joins as well";
    EXPECT_EQ(texCoordIndexOf(cn), texCoordIndexOf(ci));
    expectWeldAftermath();
}

TEST_F(WeldCommandsTest, WeldNearestPullsTheNearestOtherPointOntoTheSelectedOne) {
    const std::int32_t c = vertexAt(0.5f, 0.5f);
    const std::int32_t nearest = vertexAt(0.625f, 0.5f); // 0.125 away; the rest 0.25 or more
    const Corner cc = cornerOf(c), cn = cornerOf(nearest);
    selectPoints({c});
    dialog.cmdWeldNearest_Click();
    expectJoinedAt(cc, cn, {0.5f, 0.5f, 0.0f});
    EXPECT_EQ(uv().GetVertex(vertexAt(0.875f, 0.5f)), (Vector3{0.875f, 0.5f, 0.0f}));
    expectWeldAftermath();
}

TEST_F(WeldCommandsTest, WeldToNearestMovesTheSelectedPointOntoTheNearestOne) {
    const std::int32_t c = vertexAt(0.5f, 0.5f);
    const std::int32_t nearest = vertexAt(0.625f, 0.5f);
    const Corner cc = cornerOf(c), cn = cornerOf(nearest);
    selectPoints({c});
    dialog.cmdWeldToNearest_Click();
    expectJoinedAt(cc, cn, {0.625f, 0.5f, 0.0f});
    expectWeldAftermath();
}

TEST_F(WeldCommandsTest, OfTwoEquallyNearPointsTheLowerIndexIsTakenAndALowerDistanceWins) {
    const std::int32_t c = vertexAt(0.5f, 0.5f);
    const std::int32_t right = vertexAt(0.625f, 0.5f);
    const std::int32_t moved = vertexAt(0.5f, 0.125f);
    ASSERT_LT(right, moved);
    placePoint(moved, 0.375f, 0.5f); // 0.125 to the left: a tie with `right`
    const Corner cRight = cornerOf(right), cMoved = cornerOf(moved);
    selectPoints({c});
    dialog.cmdWeldToNearest_Click();
    EXPECT_EQ(uv().GetVertex(vertexOf(cornerOf(c))), (Vector3{0.625f, 0.5f, 0.0f}));
    EXPECT_EQ(uv().GetVertex(vertexOf(cMoved)), (Vector3{0.375f, 0.5f, 0.0f}));
    EXPECT_EQ(vertexOf(cRight), vertexOf(cornerOf(c)));

    // The higher-indexed point wins once it is strictly nearer.
    layout(kWeldLayout);
    placePoint(vertexAt(0.5f, 0.125f), 0.4375f, 0.5f);
    const Corner cNearer = cornerOf(vertexAt(0.4375f, 0.5f));
    const Corner cSelected = cornerOf(vertexAt(0.5f, 0.5f));
    selectPoints({vertexAt(0.5f, 0.5f)});
    dialog.cmdWeldToNearest_Click();
    expectJoinedAt(cSelected, cNearer, {0.4375f, 0.5f, 0.0f});
}

TEST_F(WeldCommandsTest, APointLyingOnTheSelectedPointIsNeverTheNearest) {
    const std::int32_t c = vertexAt(0.5f, 0.5f);
    const std::int32_t onIt = vertexAt(0.5f, 0.125f);
    placePoint(onIt, 0.5f, 0.5f + 0.00009f); // on the first point, within the tolerance
    const Corner cOnIt = cornerOf(onIt), cRight = cornerOf(vertexAt(0.625f, 0.5f));
    selectPoints({c});
    dialog.cmdWeldToNearest_Click();
    EXPECT_EQ(uv().GetVertex(vertexOf(cornerOf(c))), (Vector3{0.625f, 0.5f, 0.0f}))
        << "the next point out was taken";
    EXPECT_EQ(vertexOf(cornerOf(c)), vertexOf(cRight));
    EXPECT_EQ(uv().GetVertex(vertexOf(cOnIt)), (Vector3{0.5f, 0.5f + 0.00009f, 0.0f}));
}

TEST_F(WeldCommandsTest, AWeldWithoutASelectionIsReportedBeforeAnythingChanges) {
    const std::vector<Vector3> points = uv().GetVertices();
    const std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
    const std::vector<std::int32_t> corners = uv().cornerVertex();
    dialog.cmdWeldSelection_Click();
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text, peelwise::generalErrorText(9, "") + " (#9)");
    EXPECT_EQ(uv().vertices(), points);
    EXPECT_EQ(uv().cornerVertex(), corners);
    EXPECT_EQ(atlas().texcoords(), texcoords);
    EXPECT_EQ(dialog.lHistoryCount, 1) << "the history entry made first stays";

    // A selected shape with an empty point list fails the same way.
    uv().SetSubSelection(uvDevice(), kSelectPoints, SubSelection{});
    dialog.cmdWeldToSelected_Click();
    EXPECT_EQ(scripted->messages().size(), 2u);
    EXPECT_EQ(uv().vertices(), points);
}

TEST_F(WeldCommandsTest, ANearestWeldWithNoOtherPointIsReportedAndChangesNothing) {
    layout({{{0.25f, 0.25f}, {0.5f, 0.25f}, {0.5f, 0.5f}}});
    for (std::int32_t v = 1; v < uv().GetVertexCount(); ++v) {
        placePoint(v, uv().GetVertex(0).x, uv().GetVertex(0).y);
    }
    const std::vector<Vector3> points = uv().GetVertices();
    const std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
    selectPoints({0});
    dialog.cmdWeldNearest_Click();
    ASSERT_EQ(scripted->messages().size(), 1u);
    // The general text, not the graphics-driver one: nothing of the display failed.
    EXPECT_EQ(scripted->messages()[0].text,
              std::string("An unrecoverable error has occurred. If you continue to receive this "
                          "message please let us know on the problem reports forum at ") +
                  peelwise::kProblemReportsForum + ".  (#9)");
    EXPECT_EQ(uv().vertices(), points);
    EXPECT_EQ(atlas().texcoords(), texcoords);
    EXPECT_EQ(selectedIndices(), (std::vector<std::int32_t>{0})) << "the selection stays";
}

} // namespace
