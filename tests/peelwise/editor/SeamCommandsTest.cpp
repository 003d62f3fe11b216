// Seams in the preview: crease edges as the default seams of the first unwrap, the seam hint
// that fits them, the two seam buttons, the preview's notifications and its context menu.
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/Polygon.h"
#include "brontle/views/Editport.h"

#include <QAction>
#include <QMenu>

#include <algorithm>
#include <map>
#include <utility>

namespace {

using editor_testing::EditorRunTest;
using peelwise::frmMain;

constexpr const char* kHintWithoutCreases =
    "You can mark seams on your shape by selecting edges, and then clicking \"Unwrap\" to "
    "regenerate the Peel-Wise.";
constexpr const char* kHintWithCreases =
    "Seams have been marked for your shape based on its creases. You can mark additional seams, "
    "or clear the marked seams, and then click \"Unwrap\" to regenerate the Peel-Wise. Seams are "
    "marked by selecting edges on your shape.";

// How often each undirected edge (a pair of vertex indices) occurs in an edge selection.
std::map<std::pair<int, int>, int> edgeUses(brontle::Shape& shape,
                                            const brontle::SubSelection& edges) {
    std::map<std::pair<int, int>, int> uses;
    for (const brontle::SubSelectionEntry& entry : edges.entries) {
        brontle::Polygon polygon = shape.GetPolygon(entry.index);
        const int a = polygon.GetCornerVertex(entry.corner);
        const int b = polygon.GetCornerVertex((entry.corner + 1) % polygon.GetCornerCount());
        ++uses[{std::min(a, b), std::max(a, b)}];
    }
    return uses;
}

class SeamCommandsTest : public EditorRunTest {};

TEST_F(SeamCommandsTest, AFlatCubeStartsWithAllTwelveEdgesAsSeamsAndTheCreaseHint) {
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        EXPECT_EQ(d.lCreaseEdgeCount(), 24);
        EXPECT_EQ(d.atCreaseEdges.size(), 24u);
        const brontle::DeviceID preview = d.dfeObjectPreview->DeviceID();
        EXPECT_EQ(d.csAtlasShape->GetSelectionType(preview), brontle::kSelectEdges);
        const brontle::SubSelection seams = d.csAtlasShape->GetSubSelection(preview);
        EXPECT_EQ(seams.count(), 24);
        const auto uses = edgeUses(*d.csAtlasShape, seams);
        EXPECT_EQ(uses.size(), 12u);
        for (const auto& [edge, count] : uses) {
            EXPECT_EQ(count, 2) << edge.first << "-" << edge.second;
        }
        // The source shape keeps no seam selection of its own.
        EXPECT_EQ(d.csSourceShape->GetSelectionType(preview), 0);
        EXPECT_FALSE(d.cmdCreaseSeams->isHidden());
        EXPECT_FALSE(d.cmdCreaseSeams->isEnabled());
        EXPECT_TRUE(d.cmdDeselectAll->isEnabled());
    }));
    EXPECT_EQ(tips, std::vector<std::string>{kHintWithCreases});
    // Closing the tip with its box checked keeps it coming.
    EXPECT_EQ(stored("PeelwiseSeams", "Tips"), "1");
}

TEST_F(SeamCommandsTest, ASmoothSphereHasNoSeamsHidesSetDefaultSeamsAndGetsTheFirstHint) {
    handOver(brontle::makeSmoothSphere(*scene, 8, 16));
    EXPECT_TRUE(run([&](frmMain& d) {
        EXPECT_EQ(d.lCreaseEdgeCount(), 0);
        EXPECT_TRUE(d.atCreaseEdges.empty());
        const brontle::DeviceID preview = d.dfeObjectPreview->DeviceID();
        EXPECT_EQ(d.csAtlasShape->GetSelectionType(preview), 0);
        EXPECT_TRUE(d.cmdCreaseSeams->isHidden());
        EXPECT_FALSE(d.cmdCreaseSeams->isEnabled());
        EXPECT_FALSE(d.cmdDeselectAll->isEnabled());
    }));
    EXPECT_EQ(tips, std::vector<std::string>{kHintWithoutCreases});
}

TEST_F(SeamCommandsTest, DeselectAllAndSetDefaultSeamsTradePlacesAndTheMenuFitsTheSelection) {
    suppressHint();
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        const brontle::DeviceID preview = d.dfeObjectPreview->DeviceID();
        // With creases, a selection change shows and enables Set Default Seams.
        ASSERT_FALSE(d.cmdCreaseSeams->isEnabled());
        emit d.dfeObjectPreview->SelectionChange();
        EXPECT_FALSE(d.cmdCreaseSeams->isHidden());
        EXPECT_TRUE(d.cmdCreaseSeams->isEnabled());

        d.cmdDeselectAll->click();
        EXPECT_EQ(d.csAtlasShape->GetSelectionType(preview), 0);
        EXPECT_EQ(scene->GetSelectedShapeCount(preview), 0);
        EXPECT_FALSE(d.cmdDeselectAll->isEnabled());
        EXPECT_TRUE(d.cmdCreaseSeams->isEnabled());

        d.cmdCreaseSeams->click();
        EXPECT_EQ(d.csAtlasShape->GetSubSelection(preview).count(), 24);
        EXPECT_EQ(edgeUses(*d.csAtlasShape, d.csAtlasShape->GetSubSelection(preview)).size(), 12u);
        EXPECT_TRUE(d.cmdDeselectAll->isEnabled());

        // The menu item does what the button does.
        d.mnuDeselectAll->trigger();
        EXPECT_EQ(d.csAtlasShape->GetSelectionType(preview), 0);
        EXPECT_FALSE(d.cmdDeselectAll->isEnabled());

        // The context menu's items fit the selection, and it opens at the pointer.
        d.cmdCreaseSeams->click();
        const QPoint pointer = d.dfeObjectPreview->mapToGlobal(QPoint(40, 30));

        emit d.dfeObjectPreview->ContextMenu(pointer);
        EXPECT_TRUE(d.mnuSelectLoop->isEnabled());
        EXPECT_TRUE(d.mnuDeselectAll->isEnabled());
        EXPECT_TRUE(d.mnuPopupObjectPreview->isVisible());
        EXPECT_EQ(d.mnuPopupObjectPreview->pos(), pointer);
        d.mnuPopupObjectPreview->close();

        // A selected shape without selected edges: nothing to extend, something to clear.
        scene->ClearSelection(preview);
        scene->SelectShape(preview, d.csAtlasShape);
        emit d.dfeObjectPreview->ContextMenu(pointer);
        EXPECT_FALSE(d.mnuSelectLoop->isEnabled());
        EXPECT_TRUE(d.mnuDeselectAll->isEnabled());
        d.mnuPopupObjectPreview->close();

        scene->ClearSelection(preview);
        emit d.dfeObjectPreview->ContextMenu(pointer);
        EXPECT_FALSE(d.mnuSelectLoop->isEnabled());
        EXPECT_FALSE(d.mnuDeselectAll->isEnabled());
        d.mnuPopupObjectPreview->close();
    }));
    EXPECT_TRUE(tips.empty()) << "a suppressed hint is not shown";
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(SeamCommandsTest, SelectionChangeFollowsTheSelectedEdges) {
    suppressHint();
    handOver(brontle::makeSmoothSphere(*scene, 6, 12));
    EXPECT_TRUE(run([&](frmMain& d) {
        const brontle::DeviceID preview = d.dfeObjectPreview->DeviceID();
        brontle::SubSelection edge;
        edge.add(3, 0);
        d.csAtlasShape->SetSubSelection(preview, brontle::kSelectEdges, edge);
        emit d.dfeObjectPreview->SelectionChange();
        EXPECT_TRUE(d.cmdDeselectAll->isEnabled());
        // No creases: Set Default Seams stays hidden and disabled whatever is selected.
        EXPECT_TRUE(d.cmdCreaseSeams->isHidden());
        EXPECT_FALSE(d.cmdCreaseSeams->isEnabled());

        d.csAtlasShape->SetSubSelection(preview, brontle::kSelectEdges, {});
        emit d.dfeObjectPreview->SelectionChange();
        EXPECT_FALSE(d.cmdDeselectAll->isEnabled());

        // With no shape selected the button keeps its state.
        d.cmdDeselectAll->setEnabled(true);
        scene->ClearSelection(preview);
        emit d.dfeObjectPreview->SelectionChange();
        EXPECT_TRUE(d.cmdDeselectAll->isEnabled());

        // Without creases, clearing the seams leaves Set Default Seams hidden and disabled.
        d.cmdDeselectAll_Click();
        EXPECT_FALSE(d.cmdCreaseSeams->isEnabled());
        EXPECT_TRUE(d.cmdCreaseSeams->isHidden());
    }));
}

TEST_F(SeamCommandsTest, SelectEdgeLoopExtendsASeamAcrossAGrid) {
    suppressHint();
    // Four by four flat quads: the loop through an inner edge between rows crosses the grid.
    handOver(brontle::makeQuadGrid(*scene, 4, 4));
    EXPECT_TRUE(run([&](frmMain& d) {
        const brontle::DeviceID preview = d.dfeObjectPreview->DeviceID();
        // Quad 5 is (1, 1); its corner 0 -> 1 runs along y = 1 from x = 1 to x = 2.
        brontle::SubSelection edge;
        edge.add(5, 0);
        d.csAtlasShape->SetSubSelection(preview, brontle::kSelectEdges, edge);
        // As the user gets there: the context menu, then its item.
        emit d.dfeObjectPreview->ContextMenu(d.dfeObjectPreview->mapToGlobal(QPoint(10, 10)));
        ASSERT_TRUE(d.mnuSelectLoop->isEnabled());
        d.mnuPopupObjectPreview->close();
        d.mnuSelectLoop->trigger();
        const brontle::SubSelection loop = d.csAtlasShape->GetSubSelection(preview);
        // Every edge of the loop lies on y = 1, and the loop spans x = 0 .. 4.
        float minX = 10, maxX = -10;
        for (const brontle::SubSelectionEntry& entry : loop.entries) {
            brontle::Polygon quad = d.csAtlasShape->GetPolygon(entry.index);
            for (int k : {entry.corner, (entry.corner + 1) % quad.GetCornerCount()}) {
                const brontle::Vector3 p = d.csAtlasShape->GetVertex(quad.GetCornerVertex(k));
                EXPECT_EQ(p.y, 1.0f);
                minX = std::min(minX, p.x);
                maxX = std::max(maxX, p.x);
            }
        }
        // Four edges, each as its two half-edges.
        EXPECT_EQ(loop.count(), 8);
        EXPECT_EQ(edgeUses(*d.csAtlasShape, loop).size(), 4u);
        EXPECT_EQ(minX, 0.0f);
        EXPECT_EQ(maxX, 4.0f);
    }));
}

} // namespace
