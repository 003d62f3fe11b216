// The plug-in class as the host sees it: its constants, the selection it accepts, and whole
// editing runs through the real editor dialog, closed by OK, Cancel or the title bar.

#include "DialogScript.h"
#include "PluginTestShapes.h"

#include "peelwise/editor/frmMain.h"
#include "peelwise/plugin/Peelwise.h"
#include "peelwise/plugin/modMain.h"

#include "brontle/model/AuxiliaryObjects.h"
#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Texture.h"
#include "brontle/services/ScriptedPlatform.h"
#include "brontle/services/SettingsStore.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>

namespace {

using namespace plugin_testing;
using peelwise::Peelwise;

TEST(PeelwiseDescription, ReportsItsConstants) {
    Peelwise plugin;
    EXPECT_EQ(plugin.Plugin_Name(), "Peel-Wise");
    EXPECT_EQ(plugin.Plugin_Author(), "Orvane Software");
    EXPECT_EQ(plugin.Plugin_PluginClass(), 3);
    EXPECT_EQ(plugin.Plugin_Cost(), 99);
    EXPECT_TRUE(plugin.Plugin_Icon().isNull());
}

TEST(PeelwiseValidation, PolygonSubSelectionAcceptsOneShapeAndOneTo999Polygons) {
    Peelwise plugin;
    for (std::int32_t componentType : {0, 1, 7}) {
        std::int32_t minC = -5, maxC = 50, minS = -5, maxS = 50;
        plugin.Plugin_GetValidation(componentType, 1, minC, maxC, minS, maxS);
        EXPECT_EQ(minC, 1);
        EXPECT_EQ(maxC, 1);
        EXPECT_EQ(minS, 1);
        EXPECT_EQ(maxS, 999);
    }
}

TEST(PeelwiseValidation, OtherSelectionTypesLeaveTheSubSelectionLimitsAsPassed) {
    Peelwise plugin;
    for (std::int32_t selectionType : {0, 2, 3, -1}) {
        std::int32_t minC = 0, maxC = 0, minS = -7, maxS = 12345;
        plugin.Plugin_GetValidation(0, selectionType, minC, maxC, minS, maxS);
        EXPECT_EQ(minC, 1) << selectionType;
        EXPECT_EQ(maxC, 1) << selectionType;
        EXPECT_EQ(minS, -7) << selectionType;
        EXPECT_EQ(maxS, 12345) << selectionType;
    }
}

// Editing runs: a scripted platform answers prompts, the settings live in a temporary folder
// with the seam tip switched off, and the host's install folder is the build's bin/ (the
// continuity texture).
class PeelwiseApply : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(settingsDir_.isValid());
        brontle::settings().setFolder(settingsDir_.path().toStdString());
        brontle::settings().SaveSetting(kAppName, "Tips", "PeelwiseSeams", "0");
        scripted_ = std::make_shared<brontle::ScriptedPlatform>();
        previous_ = brontle::setPlatform(scripted_);
    }
    void TearDown() override {
        brontle::setPlatform(previous_);
        brontle::settings().setFolder({});
    }

    Scene makeScene() {
        Scene scene;
        scene.graph = brontle::SceneGraph::create(
            std::make_shared<brontle::HostEnvironment>(PEELWISE_BIN_DIR, kAppName));
        return scene;
    }

    // One Plugin_Apply with `script` run inside the dialog; returns whether the dialog showed.
    bool apply(Scene& scene, const std::function<void(peelwise::frmMain&)>& script) {
        DialogScript driver(script);
        std::vector<float> singles{1.5f};
        std::vector<std::int32_t> longs{7};
        std::string text = "keep";
        plugin_.Plugin_Apply(nullptr, scene.graph, scene.device, singles, longs, text);
        EXPECT_EQ(singles, std::vector<float>{1.5f});
        EXPECT_EQ(longs, std::vector<std::int32_t>{7});
        EXPECT_EQ(text, "keep");
        return driver.shown();
    }

    static constexpr const char* kAppName = "BrontleTest";
    Peelwise plugin_;
    QTemporaryDir settingsDir_;
    std::shared_ptr<brontle::ScriptedPlatform> scripted_;
    std::shared_ptr<brontle::Platform> previous_;
};

TEST_F(PeelwiseApply, TheRealOkButtonRendersTheTextureAndWritesTheUnwrappedPolygonsBack) {
    // The whole road: start-up unwraps the three selected polygons, OK asks for the texture
    // file, renders the layout into it, attaches it, and the plug-in writes the result back.
    brontle::settings().SaveSetting(kAppName, "Peelwise", "TextureSize", "2"); // 256x256
    QTemporaryDir output;
    ASSERT_TRUE(output.isValid());
    const std::string texture = output.filePath("layout").toStdString(); // no extension typed
    scripted_->queueFileDialogAnswer(texture);
    Scene scene = makeScene();
    ShapePtr s = scene.selectPolygons(tenQuadRow(scene.graph->CreateShape()), {6, 0, 3});
    std::vector<PolygonRecord> original;
    for (std::int32_t p = 0; p < 10; ++p) {
        original.push_back(polygonRecord(*s, p));
    }
    std::vector<std::vector<Vector2>> unwrapped;
    const bool shown = apply(scene, [&](peelwise::frmMain& dialog) {
        ASSERT_NE(dialog.csAtlasShape, nullptr);
        for (std::int32_t p = 0; p < dialog.csAtlasShape->GetPolygonCount(); ++p) {
            std::vector<Vector2> corners;
            brontle::Polygon polygon = dialog.csAtlasShape->GetPolygon(p);
            for (std::int32_t k = 0; k < polygon.GetCornerCount(); ++k) {
                corners.push_back(polygon.GetCornerTexCoord(k));
            }
            unwrapped.push_back(corners);
        }
        dialog.findChild<QPushButton*>("cmdOK")->click();
    });
    ASSERT_TRUE(shown);
    ASSERT_EQ(unwrapped.size(), 3u);
    ASSERT_EQ(scripted_->fileDialogs().size(), 1u);
    EXPECT_EQ(scripted_->fileDialogs()[0].filter, "Windows Bitmap (*.bmp)|*.bmp");

    ASSERT_EQ(s->GetPolygonCount(), 10);
    const std::vector<std::int32_t> kept = {1, 2, 4, 5, 7, 8, 9};
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const PolygonRecord now = polygonRecord(*s, static_cast<std::int32_t>(i));
        EXPECT_EQ(now.positions, original[kept[i]].positions) << kept[i];
        EXPECT_EQ(now.normals, original[kept[i]].normals) << kept[i];
        EXPECT_EQ(now.texcoords, original[kept[i]].texcoords) << kept[i];
        EXPECT_EQ(now.tag, original[kept[i]].tag) << kept[i];
    }
    // The appended polygons carry the unwrapped coordinates and the rendered texture, in the
    // selection's order and back at their own size and place (the dialog saw them normalised).
    const std::vector<std::int32_t> edited = {0, 3, 6};
    for (std::int32_t i = 0; i < 3; ++i) {
        const PolygonRecord now = polygonRecord(*s, 7 + i);
        const PolygonRecord& was = original[edited[i]];
        EXPECT_EQ(now.tag, was.tag);
        ASSERT_EQ(now.positions.size(), was.positions.size());
        for (std::size_t k = 0; k < was.positions.size(); ++k) {
            EXPECT_NEAR(now.positions[k].x, was.positions[k].x, 1e-5f);
            EXPECT_NEAR(now.positions[k].y, was.positions[k].y, 1e-5f);
            EXPECT_NEAR(now.positions[k].z, was.positions[k].z, 1e-5f);
        }
        EXPECT_EQ(now.texcoords, unwrapped[i]) << "appended polygon " << i;
        ASSERT_NE(now.material, nullptr);
        ASSERT_NE(now.material->texture(), nullptr);
        EXPECT_EQ(now.material->texture()->file(), texture + ".BMP");
        EXPECT_EQ(now.material->texture()->width(), 256);
        EXPECT_EQ(now.material->texture()->height(), 256);
    }
    EXPECT_NE(unwrapped[0], original[0].texcoords) << "the unwrap gave new coordinates";
}

TEST_F(PeelwiseApply, AZeroSizeShapeEndsBeforeTheDialogOpensAndStaysAsItWas) {
    Scene scene = makeScene();
    ShapePtr s = scene.selectWhole(testing_shapes::shapeFrom(
        scene.graph->CreateShape(), {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {1, 2, 3}}, {{0, 1, 2, 3}}));
    const ShapeSnapshot before = snapshot(*s, scene.device);
    peelwise::frmMain::instance().csSourceShape = nullptr;
    const bool shown = apply(scene, [](peelwise::frmMain& dialog) { dialog.Unload(); });
    EXPECT_FALSE(shown);
    EXPECT_EQ(peelwise::frmMain::instance().csSourceShape, nullptr) << "never handed over";
    EXPECT_EQ(snapshot(*s, scene.device), before);
    EXPECT_TRUE(scripted_->messages().empty()) << "the run ends silently";
    EXPECT_EQ(peelwise::modMain::sceneGraph, scene.graph) << "the globals were still replaced";
}

TEST_F(PeelwiseApply, CancelAndTheTitleBarLeaveTheShapeBitIdentical) {
    const std::vector<std::function<void(peelwise::frmMain&)>> closes = {
        [](peelwise::frmMain& dialog) { dialog.cmdCancel->click(); },
        [](peelwise::frmMain& dialog) { dialog.close(); },
    };
    for (std::size_t way = 0; way < closes.size(); ++way) {
        for (const bool polygons : {false, true}) {
            Scene scene = makeScene();
            ShapePtr s = tenQuadRow(scene.graph->CreateShape());
            if (polygons) {
                scene.selectPolygons(s, {2, 9});
            } else {
                scene.selectWhole(s);
            }
            const ShapeSnapshot before = snapshot(*s, scene.device);
            bool okAfter = true;
            bool cancelAfter = false;
            const bool shown = apply(scene, [&](peelwise::frmMain& dialog) {
                // Even an edit of the working copy must not reach the shape.
                dialog.csSourceShape->Translate({1, 1, 1});
                closes[way](dialog);
                okAfter = dialog.bOKClicked;
                cancelAfter = dialog.bCancelClicked;
            });
            ASSERT_TRUE(shown) << way;
            EXPECT_FALSE(okAfter) << way;
            EXPECT_TRUE(cancelAfter) << way;
            EXPECT_EQ(snapshot(*s, scene.device), before)
                << "way " << way << " polygons " << polygons;
        }
    }
}

TEST_F(PeelwiseApply, CancelLeavesTheMaterialsOfTheShapeAsTheyWere) {
    // The working copy shares its material objects with the selected shape; the preview dresses
    // the atlas shape's materials (the continuity texture, darker colours), which must therefore
    // be copies, or a cancelled run would still change how the shape looks.
    Scene scene = makeScene();
    ShapePtr s = scene.selectPolygons(tenQuadRow(scene.graph->CreateShape()), {2, 9});
    const MaterialPtr material = s->GetMaterialByIndex(0);
    const Color4 a = material->GetColorA(), b = material->GetColorB(), c = material->GetColorC();
    bool dressed = false;
    ASSERT_TRUE(apply(scene, [&](peelwise::frmMain& dialog) {
        dressed = dialog.csAtlasShape && dialog.csAtlasShape->GetMaterialByIndex(0)->texture();
        dialog.cmdCancel->click();
    }));
    EXPECT_TRUE(dressed) << "the preview shows the continuity texture";
    EXPECT_EQ(s->GetMaterialByIndex(0), material);
    EXPECT_EQ(material->texture(), nullptr);
    EXPECT_EQ(material->GetColorA(), a);
    EXPECT_EQ(material->GetColorB(), b);
    EXPECT_EQ(material->GetColorC(), c);
}

TEST_F(PeelwiseApply, TwoRunsReuseTheDialogAndReplaceTheGlobals) {
    Scene first = makeScene();
    first.selectWhole(tenQuadRow(first.graph->CreateShape()));
    Scene second = makeScene();
    second.selectWhole(box(second.graph->CreateShape(), {0, 0, 0}, {1, 2, 3}));

    const peelwise::frmMain* dialogs[2] = {nullptr, nullptr};
    brontle::SceneGraphPtr handedOut[2];
    ASSERT_TRUE(apply(first, [&](peelwise::frmMain& dialog) {
        dialogs[0] = &dialog;
        handedOut[0] = dialog.cCSG();
        dialog.cmdCancel->click();
    }));
    const auto auxA = peelwise::modMain::auxiliaryA;
    const auto auxB = peelwise::modMain::auxiliaryB;
    const auto toolkit = peelwise::modMain::toolkit;
    const auto files = peelwise::modMain::fileUtility;
    const int liveA = brontle::AuxiliaryObjectA::liveCount();
    const int liveB = brontle::AuxiliaryObjectB::liveCount();
    ASSERT_TRUE(auxA && auxB && toolkit && files);

    ASSERT_TRUE(apply(second, [&](peelwise::frmMain& dialog) {
        dialogs[1] = &dialog;
        handedOut[1] = dialog.cCSG();
        dialog.cmdCancel->click();
    }));
    EXPECT_EQ(dialogs[0], dialogs[1]);
    EXPECT_EQ(handedOut[0], first.graph);
    EXPECT_EQ(handedOut[1], second.graph);
    EXPECT_EQ(peelwise::modMain::sceneGraph, second.graph);
    EXPECT_NE(peelwise::modMain::auxiliaryA, auxA);
    EXPECT_NE(peelwise::modMain::auxiliaryB, auxB);
    EXPECT_NE(peelwise::modMain::toolkit, toolkit);
    EXPECT_NE(peelwise::modMain::fileUtility, files);
    // The first run's auxiliary objects are held only by this test now; the globals hold one
    // each, so the live counts did not grow.
    EXPECT_EQ(auxA.use_count(), 1);
    EXPECT_EQ(auxB.use_count(), 1);
    EXPECT_EQ(brontle::AuxiliaryObjectA::liveCount(), liveA + 1);
    EXPECT_EQ(brontle::AuxiliaryObjectB::liveCount(), liveB + 1);
}

TEST_F(PeelwiseApply, NoSelectedShapeOrNoSceneGraphEndsSilently) {
    Scene scene = makeScene();
    EXPECT_FALSE(apply(scene, [](peelwise::frmMain& dialog) { dialog.Unload(); }));
    Scene none = makeScene();
    none.graph = nullptr;
    EXPECT_FALSE(apply(none, [](peelwise::frmMain& dialog) { dialog.Unload(); }));
    EXPECT_TRUE(scripted_->messages().empty());
}

} // namespace
