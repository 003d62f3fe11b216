// The four weld buttons as the dialog runs them: each button does its own kind of weld through
// the session and redraws, and a weld that cannot go on shows its message with nothing changed.
// Where each kind puts the points and what it leaves (table, cache, atlas) is the session's test.
#include "UVEditFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

namespace {

using namespace uvedit_testing;

// Exact binary fractions: the UV points of polygon 0 are (0.25, 0.75) (0.5, 0.75) (0.5, 0.5)
// (0.25, 0.5), of polygon 1 (0.625, 0.75) (0.875, 0.75) (0.875, 0.5) (0.625, 0.5) and of the
// reversed triangle 2 (0.5, 0.125) (0.25, 0.125) (0.25, 0.375).
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
};

TEST_F(WeldCommandsTest, EachButtonRunsItsOwnKindOfWeld) {
    const auto has = [&](float x, float y) {
        return uv().FindVertex({x, y, 0.0f}) < uv().GetVertexCount();
    };
    const auto press = [&](const std::function<void()>& button,
                           const std::vector<std::pair<float, float>>& points) {
        layout(kWeldLayout);
        std::vector<std::int32_t> indices;
        for (const auto& [x, y] : points) {
            indices.push_back(vertexAt(x, y));
        }
        selectPoints(indices);
        button();
        EXPECT_TRUE(scripted->messages().empty());
        EXPECT_EQ(dialog.lHistoryCount(), 1);
        EXPECT_TRUE(selectedIndices().empty());
    };
    press([&] { dialog.cmdWeldSelection_Click(); }, {{0.25f, 0.5f}, {0.25f, 0.375f}});
    EXPECT_TRUE(has(0.25f, 0.4375f)) << "at the mean";
    EXPECT_FALSE(has(0.25f, 0.5f));
    EXPECT_FALSE(has(0.25f, 0.375f));
    press([&] { dialog.cmdWeldToSelected_Click(); }, {{0.25f, 0.375f}, {0.25f, 0.5f}});
    EXPECT_TRUE(has(0.25f, 0.375f)) << "at the first selected point";
    EXPECT_FALSE(has(0.25f, 0.5f));
    press([&] { dialog.cmdWeldNearest_Click(); }, {{0.5f, 0.5f}});
    EXPECT_TRUE(has(0.5f, 0.5f)) << "the nearest point comes to the selected one";
    EXPECT_FALSE(has(0.625f, 0.5f));
    press([&] { dialog.cmdWeldToNearest_Click(); }, {{0.5f, 0.5f}});
    EXPECT_FALSE(has(0.5f, 0.5f)) << "the selected point goes to the nearest one";
    EXPECT_TRUE(has(0.625f, 0.5f));
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
    EXPECT_EQ(dialog.lHistoryCount(), 1) << "the history entry made first stays";
}

TEST_F(WeldCommandsTest, ANearestWeldWithNoOtherPointIsReportedAndChangesNothing) {
    // One triangle folded onto one point: there is no other point.
    layout({{{0.25f, 0.25f}, {0.25f, 0.25f}, {0.25f, 0.25f}}});
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
