// The Unlink button on the standard layout, with the point and the current polygon designated by
// clicking in the coordinate view: the corner of the clicked polygon gets a point and a texture
// coordinate of its own, the other polygon keeps the old ones, and failures are reported and
// change nothing. Where the new point lies, on every kind of polygon (wrapping, reversed), is
// modUV's test; the transaction (selection, table, cache) the session's.
#include "UVEditFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

namespace {

using namespace uvedit_testing;

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
};

TEST_F(UnlinkCommandTest, TheClickedPolygonsCornerGetsAPointOfItsOwn) {
    // (0.5, 0.8) is corner 0 of polygon 1 and corner 1 of polygon 0; the click lands in 1.
    clickPoint(0.5f, 0.8f, 3, -3);
    const std::int32_t shared = vertexAt(0.5f, 0.8f);
    ASSERT_EQ(selectedIndices(), (std::vector<std::int32_t>{shared}));
    ASSERT_EQ(dialog.dfeCoordinatesAdjustment->CurrentPolygon(), 1);
    EXPECT_TRUE(dialog.cmdUnlink->isEnabled()) << "one point selected";

    dialog.cmdUnlink_Click();

    EXPECT_TRUE(scripted->messages().empty());
    const Vector3 own = cornerPoint(1, 0);
    EXPECT_NE(uv().GetPolygon(1).GetCornerVertex(0), shared);
    EXPECT_GT(own.x, 0.5f) << "a little inside polygon 1";
    EXPECT_EQ(mirroredTexCoord(1, 0), (Vector2{own.x - 1.0f, -own.y}));
    EXPECT_EQ(uv().GetPolygon(0).GetCornerVertex(1), shared) << "polygon 0 keeps the old point";
    EXPECT_EQ(dialog.lHistoryCount(), 1);
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

    EXPECT_EQ(uv().vertices(), points);
    EXPECT_EQ(uv().cornerVertex(), corners);
    EXPECT_EQ(atlas().texcoords(), texcoords);
    EXPECT_EQ(atlas().cornerTexCoord(), atlasCorners);
    EXPECT_EQ(dialog.lHistoryCount(), 2) << "each attempt's history entry stays";
}

} // namespace
