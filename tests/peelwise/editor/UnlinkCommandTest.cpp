// The Unlink button on the standard layout, with the point and the current polygon designated by
// clicking in the coordinate view: the corner of the clicked polygon gets a point and a texture
// coordinate of its own at (prev + 5 Q + next) / 7, the other polygon keeps the old ones, and
// failures are reported and change nothing. The corner arithmetic on every kind of polygon
// (wrapping, reversed) is modUV's test, the transaction the session's.
#include "UVEditFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

namespace {

using namespace uvedit_testing;

// The new position as the command defines it, per axis in single precision.
Vector3 unlinked(const Vector3& prev, const Vector3& q, const Vector3& next) {
    auto axis = [](float p, float c, float n) {
        const float a = c * 5.0f + p;
        return (n + a) / 7.0f;
    };
    return {axis(prev.x, q.x, next.x), axis(prev.y, q.y, next.y), axis(prev.z, q.z, next.z)};
}

class UnlinkCommandTest : public UVEditFixture {
  protected:
    void SetUp() override {
        UVEditFixture::SetUp();
        showDialog();
    }

    // Clicks the UV point (x, y), `dx`, `dy` pixels towards the polygon to designate.
    void clickPoint(float x, float y, int dx, int dy) {
        QTest::mouseClick(dialog.dfeCoordinatesAdjustment, Qt::LeftButton, {},
                          screenOf(x, y, dx, dy));
    }

    Vector3 cornerPoint(std::int32_t p, std::int32_t k) const {
        return uv().GetVertex(uv().GetPolygon(p).GetCornerVertex(k));
    }

    // Unlinks UV corner k of polygon p, whose neighbours are corners kPrev and kNext, and checks
    // the result; `sharer` is a corner of another polygon on the same point, or {-1, -1}.
    void expectUnlinked(std::int32_t p, std::int32_t k, std::int32_t kPrev, std::int32_t kNext,
                        std::pair<std::int32_t, std::int32_t> sharer) {
        const Vector3 q = cornerPoint(p, k);
        const Vector3 n = unlinked(cornerPoint(p, kPrev), q, cornerPoint(p, kNext));
        const std::int32_t oldVertex = uv().GetPolygon(p).GetCornerVertex(k);
        const std::int32_t vertexCount = uv().GetVertexCount();
        const std::vector<Vector2> before = atlas().GetTextureCoordinates();
        Vector2 sharerTexCoord;
        if (sharer.first >= 0) {
            sharerTexCoord = mirroredTexCoord(sharer.first, sharer.second);
        }

        dialog.cmdUnlink_Click();

        EXPECT_TRUE(scripted->messages().empty());
        EXPECT_EQ(cornerPoint(p, k), n);
        EXPECT_NE(uv().GetPolygon(p).GetCornerVertex(k), oldVertex);
        EXPECT_EQ(uv().GetVertexCount(), vertexCount + 1);
        EXPECT_EQ(mirroredTexCoord(p, k), (Vector2{n.x - 1.0f, -n.y}));
        if (sharer.first >= 0) {
            EXPECT_EQ(uv().GetPolygon(sharer.first).GetCornerVertex(sharer.second), oldVertex)
                << "the other polygon keeps the old point";
            EXPECT_EQ(cornerPoint(sharer.first, sharer.second), q);
            EXPECT_EQ(mirroredTexCoord(sharer.first, sharer.second), sharerTexCoord);
        }
        EXPECT_TRUE(selectedIndices().empty()) << "the selection is cleared";
        EXPECT_EQ(dialog.lHistoryCount(), 1);
        EXPECT_EQ(dialog.atHistory()[0].uvCopy->GetVertexCount(), vertexCount);
        expectTableMatchesCorners();
        expectCacheIsLayout();
        expectAtlasFollowsLayout();
    }
};

TEST_F(UnlinkCommandTest, TheFirstCornerOfTheClickedPolygonTakesTheLastCornerAsItsPredecessor) {
    // (0.5, 0.8) is corner 0 of polygon 1 and corner 1 of polygon 0; the click lands in 1.
    clickPoint(0.5f, 0.8f, 3, -3);
    ASSERT_EQ(selectedIndices(), (std::vector<std::int32_t>{vertexAt(0.5f, 0.8f)}));
    ASSERT_EQ(dialog.dfeCoordinatesAdjustment->CurrentPolygon(), 1);
    EXPECT_TRUE(dialog.cmdUnlink->isEnabled()) << "one point selected";
    expectUnlinked(1, 0, 3, 1, {0, 1});
    // Polygon 1's corner 0 from (0.5, 0.8) with neighbours (0.5, 0.5) and (0.8, 0.8).
    EXPECT_NEAR(cornerPoint(1, 0).x, (0.5 + 5 * 0.5 + 0.8) / 7, 1e-6);
    EXPECT_NEAR(cornerPoint(1, 0).y, (0.5 + 5 * 0.8 + 0.8) / 7, 1e-6);
}

TEST_F(UnlinkCommandTest, FailuresAreReportedAndChangeNothing) {
    clickPoint(0.5f, 0.8f, 3, -3);
    ASSERT_EQ(dialog.dfeCoordinatesAdjustment->CurrentPolygon(), 1);
    const std::vector<Vector3> points = uv().GetVertices();
    const std::vector<std::int32_t> corners = uv().cornerVertex();
    const std::vector<Vector2> texcoords = atlas().GetTextureCoordinates();
    const std::vector<std::int32_t> atlasCorners = atlas().cornerTexCoord();

    // A point that is no corner of the current polygon.
    selectPoints({vertexAt(0.2f, 0.1f)});
    dialog.cmdUnlink_Click();
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(selectedIndices(), (std::vector<std::int32_t>{vertexAt(0.2f, 0.1f)}))
        << "the selection stays";

    // No selection at all.
    scene->ClearSelection(uvDevice());
    dialog.cmdUnlink_Click();
    ASSERT_EQ(scripted->messages().size(), 2u);
    EXPECT_EQ(scripted->messages()[1].text, peelwise::generalErrorText(9, "") + " (#9)");

    // A selected shape with an empty point list.
    uv().SetSubSelection(uvDevice(), kSelectPoints, SubSelection{});
    dialog.cmdUnlink_Click();
    ASSERT_EQ(scripted->messages().size(), 3u);

    EXPECT_EQ(uv().vertices(), points);
    EXPECT_EQ(uv().cornerVertex(), corners);
    EXPECT_EQ(atlas().texcoords(), texcoords);
    EXPECT_EQ(atlas().cornerTexCoord(), atlasCorners);
    EXPECT_EQ(dialog.lHistoryCount(), 3) << "each attempt's history entry stays";
}

} // namespace
