// What the load handler puts into the two views before the dialog shows: the textured backdrop
// square, the cameras, the display colours, the placement of the atlas shape, and the help file
// and current folder of the run.
#include "EditorRunFixture.h"

#include "peelwise/editor/CurrentDrive.h"
#include "peelwise/editor/HelpFile.h"
#include "peelwise/texture/LayoutTexture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Texture.h"
#include "brontle/views/Editport.h"

#include <algorithm>
#include <cmath>

namespace {

using brontle::Color4;
using brontle::Vector2;
using brontle::Vector3;
using editor_testing::EditorRunTest;
using peelwise::frmMain;

class FrmMainLoadSceneTest : public EditorRunTest {
  protected:
    void SetUp() override {
        EditorRunTest::SetUp();
        suppressHint();
    }
};

// One start-up: the backdrop, the cameras and the display colours of both views.
TEST_F(FrmMainLoadSceneTest, BackdropCamerasAndColoursOfBothViews) {
    handOver(brontle::makeFlatShadedCube(*scene));
    brontle::ShapePtr backdrop;
    bool inCoordinateRoot = false;
    Vector3 coordCamera, previewCamera;
    float extent = 0;
    int previewSetting = 0;
    brontle::DeviceID preview = 0, coord = 0;
    EXPECT_TRUE(run([&](frmMain& d) {
        backdrop = d.csTextureShape;
        const auto& shapes = d.dfeCoordinatesAdjustment->RootFrame()->shapes();
        inCoordinateRoot = std::find(shapes.begin(), shapes.end(), backdrop) != shapes.end();
        coordCamera = d.dfeCoordinatesAdjustment->CameraPosition();
        extent = d.dfeCoordinatesAdjustment->ViewExtent();
        previewCamera = d.dfeObjectPreview->CameraPosition();
        previewSetting = d.dfeObjectPreview->PreviewSetting();
        preview = d.dfeObjectPreview->DeviceID();
        coord = d.dfeCoordinatesAdjustment->DeviceID();
    }));
    // The backdrop: a unit square behind the layout with the continuity map.
    ASSERT_NE(backdrop, nullptr);
    EXPECT_TRUE(inCoordinateRoot);
    ASSERT_EQ(backdrop->GetPolygonCount(), 1);
    brontle::Polygon square = backdrop->GetPolygon(0);
    ASSERT_EQ(square.GetCornerCount(), 4);
    const Vector3 positions[4] = {{0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}};
    const Vector2 uvs[4] = {{0, 0}, {0, -1}, {1, -1}, {1, 0}};
    for (int k = 0; k < 4; ++k) {
        const brontle::CornerData corner = square.GetCornerData(k);
        EXPECT_EQ(corner.position, positions[k]) << "corner " << k;
        EXPECT_EQ(corner.normal, (Vector3{0, 0, 0})) << "corner " << k;
        EXPECT_EQ(corner.uv, uvs[k]) << "corner " << k;
    }
    const brontle::MaterialPtr material = square.GetMaterial();
    EXPECT_EQ(material->materialOption(0), 0);
    ASSERT_NE(material->texture(), nullptr);
    EXPECT_EQ(material->texture()->file(),
              std::string(PEELWISE_BIN_DIR) + "/System/ContinuityMap.bmp");
    EXPECT_EQ(backdrop->displayFlags(), 4);
    EXPECT_EQ(backdrop->displayOption(), 0);

    // The headless texture output builds the same square (peelwise/texture/LayoutTexture.h).
    const brontle::ShapePtr headless = peelwise::makeBackdropShape(*scene, material->texture());
    ASSERT_EQ(headless->GetPolygonCount(), 1);
    brontle::Polygon same = headless->GetPolygon(0);
    ASSERT_EQ(same.GetCornerCount(), 4);
    for (int k = 0; k < 4; ++k) {
        const brontle::CornerData a = square.GetCornerData(k), b = same.GetCornerData(k);
        EXPECT_EQ(b.position, a.position) << "corner " << k;
        EXPECT_EQ(b.normal, a.normal) << "corner " << k;
        EXPECT_EQ(b.uv, a.uv) << "corner " << k;
    }
    EXPECT_EQ(same.GetMaterial()->materialOption(0), material->materialOption(0));
    EXPECT_EQ(same.GetMaterial()->texture(), material->texture());
    EXPECT_EQ(headless->displayFlags(), backdrop->displayFlags());
    EXPECT_EQ(headless->displayOption(), backdrop->displayOption());

    // The cameras of the layout and of the preview.
    EXPECT_EQ(coordCamera, (Vector3{0.505f, 0.495f, -1000.0f}));
    EXPECT_EQ(extent, 0.52f);
    EXPECT_EQ(previewCamera, (Vector3{5.0f, 5.0f, -15.0f}));
    EXPECT_EQ(previewSetting, 24);

    // The display colours per view.
    const brontle::MaterialPtr previewWires = scene->GetDeviceMaterial(preview, 6);
    EXPECT_EQ(previewWires->GetColorB(), (Color4{1, 1, 1, 1}));
    EXPECT_EQ(previewWires->GetColorA(), (Color4{0, 0, 0, 1}));
    EXPECT_EQ(previewWires->GetColorC(), (Color4{0, 0, 0, 1}));
    const brontle::MaterialPtr coordWires = scene->GetDeviceMaterial(coord, 6);
    EXPECT_EQ(coordWires->GetColorB(), (Color4{0, 0, 0, 1}));
    EXPECT_EQ(coordWires->GetColorA(), (Color4{0, 0, 0, 1}));
    EXPECT_EQ(coordWires->GetColorC(), (Color4{0, 0, 0, 1}));
    // Slot 5 keeps the host's colour for selected wires and gets half opacity.
    const Color4 selected = scene->GetDeviceMaterial(coord, 5)->GetColorB();
    const Color4 hostDefault =
        brontle::SceneGraph::create(nullptr)->GetDeviceMaterial(1, 5)->GetColorB();
    EXPECT_EQ(selected, (Color4{hostDefault.r, hostDefault.g, hostDefault.b, 0.5f}));
    // The preview's selected wires are left as the host has them.
    EXPECT_EQ(scene->GetDeviceMaterial(preview, 5)->GetColorB(), hostDefault);
}

TEST_F(FrmMainLoadSceneTest, TheAtlasShapeStandsInThePreviewAsTheSourceInItsParent) {
    const brontle::FramePtr parent = scene->CreateFrame(nullptr);
    handOver(brontle::makeFlatShadedCube(*scene), parent);
    const brontle::Quaternion quarterTurn{0.0f, std::sqrt(0.5f), 0.0f, std::sqrt(0.5f)};
    sourceFrame->SetPlacement(parent, -1.0f, {1.0f, 2.0f, 3.0f}, quarterTurn);
    brontle::Placement shown;
    bool atlasShown = false;
    EXPECT_TRUE(run([&](frmMain& d) {
        const brontle::FramePtr root = d.dfeObjectPreview->RootFrame();
        ASSERT_EQ(root->children().size(), 1u);
        const brontle::FramePtr frame = root->children()[0];
        shown = frame->GetPlacement(root);
        atlasShown = frame->shapes().size() == 1 && frame->shapes()[0] == d.csAtlasShape;
        EXPECT_EQ(d.dfeObjectPreview->TargetFrame(), frame);
    }));
    EXPECT_TRUE(atlasShown);
    EXPECT_EQ(shown.position, (Vector3{1.0f, 2.0f, 3.0f}));
    EXPECT_NEAR(shown.orientation.y, quarterTurn.y, 1e-6);
    EXPECT_NEAR(shown.orientation.w, quarterTurn.w, 1e-6);
}

TEST_F(FrmMainLoadSceneTest, ASourceWithoutFrameKeepsTheDefaultPlacement) {
    dialog.csSourceShape = brontle::makeFlatShadedCube(*scene);
    dialog.cgSourceFrame.reset();
    brontle::Placement shown;
    EXPECT_TRUE(run([&](frmMain& d) {
        const brontle::FramePtr root = d.dfeObjectPreview->RootFrame();
        shown = root->children().at(0)->GetPlacement(root);
    }));
    EXPECT_EQ(shown, brontle::Placement{});
    EXPECT_TRUE(scripted->messages().empty());
}

// The drive rule and the help page's mapping themselves are CurrentDriveTest's.
TEST_F(FrmMainLoadSceneTest, TheCurrentFolderMovesOnlyToAnotherDriveAndTheHelpFileIsNamed) {
    handOver(brontle::makeFlatShadedCube(*scene));
    scripted->setCurrentFolder("/home/user/models");
    scripted->clearRecords();
    EXPECT_TRUE(run([](frmMain&) {}));
    const std::string bin = PEELWISE_BIN_DIR;
    EXPECT_EQ(dialog.sHelpFile, bin + "/BRNHelp.chm");
    // The host ships the page, not the named file.
    EXPECT_EQ(peelwise::helpPageFile(dialog.sHelpFile), bin + "/BRNHelp.html");
    // The plug-in's folder and the current folder share the one root drive.
    EXPECT_TRUE(scripted->folderChanges().empty());
    EXPECT_EQ(scripted->currentFolder(), "/home/user/models");

    scripted->setCurrentFolder("D:\\Models");
    scripted->clearRecords();
    dialog.csSourceShape = brontle::makeFlatShadedCube(*scene);
    EXPECT_TRUE(run([](frmMain&) {}));
    ASSERT_EQ(scripted->folderChanges().size(), 1u);
    EXPECT_EQ(scripted->folderChanges()[0], peelwise::driveOf(peelwise::pluginFolder()));
}

} // namespace
