// Cancel in the progress dialog of OK's texture render: the render is a failed one, so the
// texture file stays exactly as it was (even though the first of OK's renders had already been
// saved), nothing is reported, and OK still completes with the edit applied.
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/Material.h"
#include "brontle/model/Texture.h"

#include "support/ScriptedProgress.h"

#include <QImage>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>

namespace {

using editor_testing::EditorRunTest;
namespace fs = std::filesystem;
using peelwise::test::ScriptedProgress;

class OkTextureCancelTest : public EditorRunTest {};

std::map<std::string, std::string> contentsOf(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return files;
}

TEST_F(OkTextureCancelTest, ACancelledRenderKeepsTheTextureFileAndOkCompletes) {
    suppressHint();
    // "Add to Texture" with the user's painted texture.
    const std::string texture = folder.filePath("paint.bmp").toStdString();
    QImage paint(128, 64, QImage::Format_RGB32);
    paint.fill(Qt::darkCyan);
    ASSERT_TRUE(paint.save(QString::fromStdString(texture)));
    store("TextureOption", "1");
    store("TextureName", texture);
    const std::string folderPath = folder.path().toStdString();
    const std::map<std::string, std::string> before = contentsOf(folderPath);
    // Each of OK's three renders has a third of the progress, its drawing the first 0.8 of that
    // and its save the rest: this cancels in the save of the second render, after the first
    // render was saved.
    auto service = std::make_shared<ScriptedProgress>(0.61, "Rendering the texture ");
    const std::shared_ptr<brontle::ProgressService> previous = brontle::setProgressService(service);
    handOver(brontle::makeFlatShadedCube(*scene));
    brontle::ShapePtr source;
    ASSERT_TRUE(run([&](peelwise::frmMain& d) {
        source = d.csSourceShape;
        d.cmdOK_Click();
    }));
    brontle::setProgressService(previous);

    ASSERT_FALSE(service->reports.empty()) << "the render ran as an operation";
    EXPECT_EQ(service->titles.back(), "Rendering the texture paint.bmp");
    // It stopped at the report that cancelled, and the third render at its first one.
    EXPECT_EQ(std::count_if(service->reports.begin(), service->reports.end(),
                            [](double f) { return f >= 0.61; }),
              2);
    EXPECT_LT(service->reports.back(), 2.0 / 3.0 + 1e-9);
    // The folder holds the files it held before OK (the settings file among them, OK changed
    // its values) and the run's log, no temporary one, and the texture byte for byte.
    std::map<std::string, std::string> after = contentsOf(folderPath);
    after.erase("brontle.log");
    std::vector<std::string> namesBefore, namesAfter;
    for (const auto& entry : before) {
        namesBefore.push_back(entry.first);
    }
    for (const auto& entry : after) {
        namesAfter.push_back(entry.first);
    }
    EXPECT_EQ(namesAfter, namesBefore);
    EXPECT_EQ(after.at("paint.bmp"), before.at("paint.bmp"));
    // OK went on silently (the stopped save is no error to report) and completed: the edit is in
    // the working copy, whose one material carries the texture loaded from the unchanged file.
    EXPECT_TRUE(dialog.bOKClicked);
    EXPECT_FALSE(dialog.bCancelClicked);
    EXPECT_TRUE(scripted->messages().empty());
    ASSERT_TRUE(source);
    EXPECT_EQ(source->texcoords(), dialog.csAtlasShape->texcoords());
    EXPECT_EQ(source->cornerTexCoord(), dialog.csAtlasShape->cornerTexCoord());
    ASSERT_EQ(source->GetMaterialCount(), 1);
    ASSERT_TRUE(source->GetMaterialByIndex(0)->texture());
    const auto onDisk = brontle::readBmpFile(texture);
    ASSERT_TRUE(onDisk.has_value());
    EXPECT_EQ(source->GetMaterialByIndex(0)->texture()->image(), *onDisk);
    EXPECT_EQ(dialog.lTextureWidth, 128);
    EXPECT_EQ(dialog.lTextureHeight, 64);
}

} // namespace
