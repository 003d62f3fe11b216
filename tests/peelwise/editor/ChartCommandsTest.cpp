// The chart items of the coordinate view's context menu: what each leaves selected, that none
// records history or refreshes the command states, and that a failing step is reported and the
// handler carries on with its next step.
#include "UVEditFixture.h"

#include "support/ModelBuilders.h"

#include "peelwise/support/GeneralErrorHandler.h"

#include <QAction>
#include <algorithm>

namespace {

using namespace uvedit_testing;

class ChartCommandsTest : public UVEditFixture {
  protected:
    // A state UpdateCommandStates would never leave with no history, to see that it did not
    // run.
    void markCommandStates() {
        dialog.cmdEditUndo->setEnabled(true);
        dialog.cmdEditRedo->setEnabled(true);
    }
    void expectNoCommandStateUpdateNorHistory() const {
        EXPECT_TRUE(dialog.cmdEditUndo->isEnabled());
        EXPECT_TRUE(dialog.cmdEditRedo->isEnabled());
        EXPECT_EQ(dialog.lHistoryCount(), 0);
        EXPECT_FALSE(dialog.bUVChanged);
    }
    std::vector<std::int32_t> sorted(std::vector<std::int32_t> v) const {
        std::sort(v.begin(), v.end());
        return v;
    }
};

// Which entries a selection of every chart holds is the session's test.
TEST_F(ChartCommandsTest, SelectAndDeselectAllChartsFromTheMenuRecordNothing) {
    selectPoints({vertexAt(0.5f, 0.5f)});
    const std::vector<Vector3> points = uv().GetVertices();
    markCommandStates();
    dialog.mnuSelectAllCharts->trigger();
    EXPECT_EQ(scene->GetSubSelectionKind(uvDevice()), kSelectPolygons);
    EXPECT_EQ(uv().GetSubSelection(uvDevice()).count(), uv().GetPolygonCount());
    EXPECT_EQ(uv().vertices(), points);
    expectNoCommandStateUpdateNorHistory();

    dialog.mnuDeselectAllCharts->trigger();
    EXPECT_EQ(scene->GetSelectedShapeCount(uvDevice()), 0);
    EXPECT_EQ(uv().GetSubSelectionCount(uvDevice()), 0);
    expectNoCommandStateUpdateNorHistory();
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(ChartCommandsTest, SelectChartAndDeselectChartWorkOnTheChartsOfTheSelectedPoints) {
    // The two quads form one chart (six points); the triangle is another (three).
    const std::vector<std::int32_t> quads = {vertexAt(0.2f, 0.8f), vertexAt(0.5f, 0.8f),
                                             vertexAt(0.5f, 0.5f), vertexAt(0.2f, 0.5f),
                                             vertexAt(0.8f, 0.8f), vertexAt(0.8f, 0.5f)};
    selectPoints({vertexAt(0.8f, 0.5f)});
    markCommandStates();
    dialog.mnuSelectChart_Click();
    EXPECT_EQ(scene->GetSubSelectionKind(uvDevice()), kSelectPoints);
    EXPECT_EQ(sorted(selectedIndices()), sorted(quads));

    selectPoints({vertexAt(0.2f, 0.1f), vertexAt(0.5f, 0.8f)});
    dialog.mnuDeselectChart_Click();
    EXPECT_TRUE(selectedIndices().empty()) << "both touched charts are deselected";
    expectNoCommandStateUpdateNorHistory();
}

TEST_F(ChartCommandsTest, AFailingStepIsReportedAndTheNextStepsStillRun) {
    // A shape of another layout is selected in the view; the UV shape is missing.
    const ShapePtr other = testing_shapes::unitQuad(scene->CreateShape());
    SubSelection one;
    one.add(0);
    other->SetSubSelection(uvDevice(), kSelectPolygons, one);
    dialog.csUVShape.reset();

    dialog.mnuSelectAllCharts_Click();

    // Counting the polygons and setting the selection fail; clearing the view between them ran.
    ASSERT_EQ(scripted->messages().size(), 2u);
    EXPECT_EQ(scripted->messages()[0].text, peelwise::generalErrorText(91, "") + " (#91)");
    EXPECT_EQ(scripted->messages()[1].text, peelwise::generalErrorText(91, "") + " (#91)");
    EXPECT_EQ(scene->GetSelectedShapeCount(uvDevice()), 0);
}

} // namespace
