// The unwrap driver seen from outside the dialog: the shapes the first unwrap leaves in the
// views, the log lines and messages of a failed build and its retry, a build that fails twice,
// the Unwrap button with and without edits and seams, and the write-back of the layout.
#include "EditorRunFixture.h"

#include "brontle/core/Error.h"
#include "brontle/io/SampleShapes.h"
#include "brontle/model/Material.h"
#include "brontle/model/Texture.h"
#include "brontle/views/Editport.h"
#include "brontle/views/UpDownText.h"
#include "brontle/views/XPButton.h"

#include <QComboBox>

#include <algorithm>
#include <cmath>

namespace {

using brontle::Vector2;
using brontle::Vector3;
using editor_testing::EditorRunTest;
using peelwise::frmMain;

constexpr const char* kRetryText = "Brontle was unable to unwrap the current selection. Brontle "
                                   "will unwrap with default settings.";
constexpr const char* kGiveUpText = "Brontle was unable to unwrap the current selection. Closing "
                                    "Brontle and re-opening may resolve the problem.";

class UnwrapDriverTest : public EditorRunTest {
  protected:
    void SetUp() override {
        EditorRunTest::SetUp();
        suppressHint();
    }

    // The log lines of the atlas builds, in order.
    std::vector<std::string> buildLines() const {
        std::vector<std::string> lines;
        for (const std::string& line : logLines()) {
            if (line.rfind("Generate Atlas", 0) == 0 || line.rfind("pbGenerateAtlas", 0) == 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    // Every UV point stands for the atlas coordinate (x - 1, -y) it is mapped to.
    static void expectLayoutMatchesAtlas(const frmMain& d) {
        const std::vector<Vector3>& points = d.csUVShape->vertices();
        const std::vector<Vector2>& texcoords = d.csAtlasShape->texcoords();
        ASSERT_EQ(d.alUVVertexToTexCoord.size(), points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            const Vector2 uv = texcoords.at(d.alUVVertexToTexCoord[i]);
            EXPECT_NEAR(uv.u, points[i].x - 1.0f, 1e-6) << "point " << i;
            EXPECT_NEAR(uv.v, -points[i].y, 1e-6) << "point " << i;
        }
    }
};

TEST_F(UnwrapDriverTest, FirstUnwrapShowsTheTexturedAtlasAndTheLayout) {
    const brontle::ShapePtr source = brontle::makeFlatShadedCube(*scene);
    const std::vector<Vector2> sourceTexcoords = source->texcoords();
    handOver(source);
    EXPECT_TRUE(run([&](frmMain& d) {
        ASSERT_NE(d.csAtlasShape, nullptr);
        ASSERT_NE(d.csUVShape, nullptr);
        const brontle::Shape& atlas = *d.csAtlasShape;
        const brontle::Shape& uv = *d.csUVShape;
        EXPECT_EQ(atlas.GetPolygonCount(), 6);
        EXPECT_EQ(uv.GetPolygonCount(), 6);
        EXPECT_EQ(atlas.displayFlags(), 8);
        EXPECT_EQ(uv.displayFlags(), 8);
        EXPECT_EQ(uv.displayMode(), 11);
        for (const brontle::MaterialPtr& m : atlas.materials()) {
            ASSERT_NE(m->texture(), nullptr);
            EXPECT_EQ(m->texture()->file(),
                      std::string(PEELWISE_BIN_DIR) + "/System/ContinuityMap.bmp");
            const brontle::Color4 b = m->GetColorB();
            EXPECT_EQ(b.a, 1.0f);
            EXPECT_EQ(m->GetColorA(), (brontle::Color4{0.6f * b.r, 0.6f * b.g, 0.6f * b.b, 0.7f}));
            EXPECT_EQ(m->GetColorC(), (brontle::Color4{0.2f * b.r, 0.2f * b.g, 0.2f * b.b, 0.7f}));
        }
        for (const brontle::MaterialPtr& m : uv.materials()) {
            EXPECT_EQ(m->GetColorB().a, 0.7f);
        }
        expectLayoutMatchesAtlas(d);
        EXPECT_EQ(d.avUVPositions, uv.vertices());
        EXPECT_EQ(d.lUVPositionCount(), uv.GetVertexCount());
        // The layout stands in its own frame under the coordinate view's root.
        const brontle::FramePtr root = d.dfeCoordinatesAdjustment->RootFrame();
        ASSERT_EQ(root->children().size(), 1u);
        EXPECT_EQ(root->children()[0]->shapes(), std::vector<brontle::ShapePtr>{d.csUVShape});
    }));
    // The working copy is not the atlas: its own coordinates are untouched.
    EXPECT_EQ(source->texcoords(), sourceTexcoords);
    EXPECT_EQ(buildLines(), std::vector<std::string>{"Generate Atlas Texture Size: 1024"});
    EXPECT_TRUE(scripted->messages().empty());
}

TEST_F(UnwrapDriverTest, FactorThatIsNoNumberIsLoggedAndRetriedWithTheDefaults) {
    store("FactorType", "1");
    store("Factor", "abc");
    handOver(brontle::makeFlatShadedCube(*scene));
    QString factorType, factor;
    EXPECT_TRUE(run([&](frmMain& d) {
        factorType = d.cboFactorType->currentText();
        factor = d.updFactor->text();
        EXPECT_EQ(d.csAtlasShape->GetPolygonCount(), 6);
    }));
    EXPECT_EQ(
        buildLines(),
        (std::vector<std::string>{
            "Generate Atlas Texture Size: 1024",
            "pbGenerateAtlas failed with error: 13-Type mismatch: \"abc\" is not a number",
            "pbGenerateAtlas failed with Texture Name: ", "Generate Atlas Texture Size: 1024"}));
    ASSERT_EQ(scripted->messages().size(), 1u);
    EXPECT_EQ(scripted->messages()[0].text, kRetryText);
    EXPECT_EQ(scripted->messages()[0].title, "Peel-Wise");
    EXPECT_EQ(scripted->messages()[0].style, 48);
    // The defaults stay in the dialog, for OK to store.
    EXPECT_EQ(factorType, "Max Stretch");
    EXPECT_EQ(factor, "4");
}

TEST_F(UnwrapDriverTest, AShapeWithoutPolygonsEndsCancelledWithoutShowing) {
    store("PeelwiseSeams", "1", "Tips"); // the hint would come after a successful unwrap only
    handOver(scene->CreateShape());
    EXPECT_FALSE(run([](frmMain&) { ADD_FAILURE() << "the dialog came up"; }));
    EXPECT_TRUE(dialog.bCancelClicked);
    EXPECT_FALSE(dialog.bOKClicked);
    EXPECT_FALSE(dialog.isLoaded());
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_EQ(scripted->messages().size(), 2u);
    EXPECT_EQ(scripted->messages()[0].text, kRetryText);
    EXPECT_EQ(scripted->messages()[1].text, kGiveUpText);
    for (const brontle::MessagePrompt& prompt : scripted->messages()) {
        EXPECT_EQ(prompt.title, "Peel-Wise");
        EXPECT_EQ(prompt.style, 48);
    }
    EXPECT_TRUE(tips.empty());
    // The driver finds no polygons before it asks the host for an atlas: both builds return
    // false without a failure line.
    EXPECT_EQ(buildLines(), (std::vector<std::string>{"Generate Atlas Texture Size: 1024",
                                                      "Generate Atlas Texture Size: 1024"}));
    // The run's shapes were released by the unload.
    EXPECT_EQ(dialog.csSourceShape, nullptr);
    EXPECT_EQ(dialog.csUVShape, nullptr);
}

TEST_F(UnwrapDriverTest, UnwrapAfterAnEditAnsweredNoChangesNothing) {
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        d.RecordHistory();
        d.RecordHistory();
        d.UndoEdit();
        ASSERT_TRUE(d.bUVChanged);
        const brontle::ShapePtr atlas = d.csAtlasShape;
        const brontle::ShapePtr uv = d.csUVShape;
        const std::vector<Vector2> texcoords = atlas->texcoords();
        const std::vector<Vector3> points = uv->vertices();
        scripted->clearRecords();
        scripted->queueMessageAnswer(brontle::MessageResult::No);
        d.cmdGenerateAtlas->click();
        ASSERT_EQ(scripted->messages().size(), 1u);
        EXPECT_EQ(scripted->messages()[0].text,
                  "You have made changes to the UV mapping. Would you like to continue?");
        EXPECT_EQ(scripted->messages()[0].title, "UV Editor");
        EXPECT_EQ(scripted->messages()[0].style, 4);
        EXPECT_TRUE(d.bUVChanged);
        EXPECT_EQ(d.atHistory().size(), 3u);
        EXPECT_EQ(d.lHistoryCount(), 3);
        EXPECT_EQ(d.lHistoryPosition(), 1);
        EXPECT_EQ(d.csAtlasShape, atlas);
        EXPECT_EQ(atlas->texcoords(), texcoords);
        EXPECT_EQ(uv->vertices(), points);
    }));
    // Only the first unwrap was built.
    EXPECT_EQ(buildLines().size(), 1u);
}

TEST_F(UnwrapDriverTest, UnwrapPutsTheSelectedSeamBackOnTheRebuiltShapes) {
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        const brontle::DeviceID preview = d.dfeObjectPreview->DeviceID();
        brontle::SubSelection seam;
        seam.add(2, 1);
        d.csAtlasShape->SetSubSelection(preview, brontle::kSelectEdges, seam);
        for (int i = 0; i < 3; ++i) {
            d.RecordHistory();
        }
        ASSERT_TRUE(d.bUVChanged);
        const brontle::ShapePtr atlas = d.csAtlasShape;
        const brontle::ShapePtr uv = d.csUVShape;
        scripted->clearRecords();
        scripted->queueMessageAnswer(brontle::MessageResult::Yes);
        d.cmdGenerateAtlas->click();
        ASSERT_EQ(scripted->messages().size(), 1u);
        EXPECT_FALSE(d.bUVChanged);
        EXPECT_TRUE(d.atHistory().empty());
        EXPECT_EQ(d.lHistoryCount(), 0);
        EXPECT_EQ(d.lHistoryPosition(), 0);
        EXPECT_FALSE(d.cmdEditUndo->isEnabled());
        // The same objects stay in the views, refilled.
        EXPECT_EQ(d.csAtlasShape, atlas);
        EXPECT_EQ(d.csUVShape, uv);
        EXPECT_EQ(atlas->GetSelectionType(preview), brontle::kSelectEdges);
        EXPECT_EQ(atlas->GetSubSelection(preview).entries, seam.entries);
        EXPECT_EQ(uv->GetPolygonCount(), 6);
        EXPECT_EQ(uv->displayMode(), 11);
        EXPECT_EQ(d.avUVPositions, uv->vertices());
        EXPECT_EQ(d.lUVPositionCount(), uv->GetVertexCount());
        expectLayoutMatchesAtlas(d);
    }));
    EXPECT_EQ(buildLines().size(), 2u);
}

TEST_F(UnwrapDriverTest, UnwrapWithoutSelectedEdgesBuildsWithoutSeams) {
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        const brontle::DeviceID preview = d.dfeObjectPreview->DeviceID();
        d.cmdDeselectAll->click();
        ASSERT_EQ(d.csAtlasShape->GetSelectionType(preview), 0);
        scripted->clearRecords();
        d.cmdGenerateAtlas->click();
        // No edits were made, so nothing was asked.
        EXPECT_TRUE(scripted->messages().empty());
        EXPECT_EQ(d.csAtlasShape->GetSelectionType(preview), 0);
        EXPECT_EQ(d.csAtlasShape->GetPolygonCount(), 6);
        expectLayoutMatchesAtlas(d);
    }));
}

// A commit writes the layout into the atlas coordinates, blanks the read-out and refreshes the
// buttons; with a table that does not fit the atlas it writes nothing.
TEST_F(UnwrapDriverTest, CommitWritesTheLayoutIntoTheAtlasCoordinatesOrNothing) {
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_TRUE(run([&](frmMain& d) {
        d.csUVShape->SetVertex(0, {0.25f, 0.5f, 0.0f});
        d.lblX->setText("Position X: 0.250");
        d.cmdEnlarge->setEnabled(false);
        d.cmdRotateRight->setEnabled(false);
        d.CommitUVLayout();
        expectLayoutMatchesAtlas(d);
        EXPECT_EQ(d.lblX->text(), "");
        EXPECT_EQ(d.lblY->text(), "");
        EXPECT_TRUE(d.cmdEnlarge->isEnabled());
        EXPECT_TRUE(d.cmdRotateRight->isEnabled());

        const std::vector<Vector2> before = d.csAtlasShape->texcoords();
        d.alUVVertexToTexCoord.back() = static_cast<std::int32_t>(before.size());
        d.csUVShape->SetVertex(0, {0.125f, 0.5f, 0.0f});
        try {
            d.CommitUVLayout();
            ADD_FAILURE() << "no error";
        } catch (const brontle::Error& e) {
            EXPECT_EQ(e.number(), 9);
            EXPECT_EQ(e.source(), "frmMain");
        }
        EXPECT_EQ(d.csAtlasShape->texcoords(), before);
    }));
}

} // namespace
