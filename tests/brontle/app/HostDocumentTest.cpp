// The host window's model: the sample, opening files, and saving with the texture beside the
// model, with failures leaving the open model and the files on disk as they were.

#include "brontle/app/HostDocument.h"

#include "brontle/core/Error.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/services/QtImageFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using brontle::HostDocument;

std::shared_ptr<brontle::HostEnvironment> environment() {
    return std::make_shared<brontle::HostEnvironment>(PEELWISE_BIN_DIR, "BrontleTest");
}

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A 2 x 2 image written as a BMP file at `path`.
void writeImage(const fs::path& path) {
    brontle::Image image;
    image.width = 2;
    image.height = 2;
    image.pixels.assign(4, 0xff336699u);
    brontle::saveImage(path.string(), image);
}

TEST(HostDocument, TheSampleIsOneShapeOf170PolygonsInTheRootFrame) {
    HostDocument document(environment());
    document.openSample();
    ASSERT_EQ(document.shapes().size(), 1u);
    EXPECT_EQ(document.shapes()[0]->GetPolygonCount(), 170);
    EXPECT_EQ(document.shapeNames(), std::vector<std::string>{"Sample"});
    EXPECT_EQ(document.nameOf(document.shapes()[0]), "Sample");
    EXPECT_EQ(document.root()->shapes().size(), 1u);
    EXPECT_TRUE(document.file().empty());
}

TEST(HostDocument, AFileThatCannotBeReadKeepsTheOpenModel) {
    QTemporaryDir folder;
    const fs::path broken = fs::path(folder.path().toStdString()) / "broken.obj";
    std::ofstream(broken) << "v 0 0 0\nf 1 2 3\n"; // an index out of range
    HostDocument document(environment());
    document.openSample();
    const brontle::ShapePtr sample = document.shapes()[0];
    for (const fs::path& path : {broken, fs::path("/nonexistent/model.obj")}) {
        try {
            document.open(path.string());
            FAIL() << path;
        } catch (const brontle::Error& e) {
            EXPECT_EQ(e.number(), brontle::ErrorNumber::HostFileUnreadable);
            EXPECT_NE(e.description().find(path.filename().string()), std::string::npos)
                << e.description();
        }
        ASSERT_EQ(document.shapes().size(), 1u);
        EXPECT_EQ(document.shapes()[0], sample);
    }
}

// Cancels at the first report for which `when(report number, fraction)` holds, as the progress
// dialog's Cancel would.
class CancelWhen : public brontle::ProgressService {
  public:
    explicit CancelWhen(std::function<bool(int, double)> when) : when_(std::move(when)) {}
    int reports = 0;

  protected:
    void execute(const std::string&, brontle::ProgressReporter& reporter, brontle::WorkThread,
                 const std::function<void(brontle::ProgressReporter&)>& work) override {
        reporter.setPump([this, &reporter] {
            if (when_(reports++, reporter.fraction())) {
                reporter.requestCancel();
            }
        });
        work(reporter);
    }

  private:
    std::function<bool(int, double)> when_;
};

TEST(HostDocument, ACancelledLoadKeepsTheOpenModel) {
    QTemporaryDir folder;
    const fs::path file = fs::path(folder.path().toStdString()) / "quad.obj";
    std::ofstream(file) << "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n";
    HostDocument document(environment());
    document.openSample();
    const brontle::ShapePtr sample = document.shapes()[0];
    // At the start, while the reader runs (it is stopped), and once it has read the file.
    const std::vector<std::function<bool(int, double)>> moments = {
        [](int n, double) { return n == 0; }, [](int n, double) { return n == 1; },
        [](int, double done) { return done >= 0.9; }};
    for (std::size_t m = 0; m < moments.size(); ++m) {
        const auto previous = brontle::setProgressService(std::make_shared<CancelWhen>(moments[m]));
        try {
            document.open(file.string());
            ADD_FAILURE() << "the cancelled load went through, moment " << m;
        } catch (const brontle::Error& e) {
            EXPECT_EQ(e.number(), brontle::ErrorNumber::HostCancelled);
            EXPECT_EQ(e.description(), "quad.obj: loading was cancelled");
        }
        brontle::setProgressService(previous);
        ASSERT_EQ(document.shapes().size(), 1u);
        EXPECT_EQ(document.shapes()[0], sample);
        EXPECT_EQ(document.file(), "");
        EXPECT_EQ(document.root(), sample->GetFrame());
    }
    // A load nobody cancels reports along the way and replaces the model.
    auto counting = std::make_shared<CancelWhen>([](int, double) { return false; });
    const auto previous = brontle::setProgressService(counting);
    document.open(file.string());
    brontle::setProgressService(previous);
    EXPECT_GE(counting->reports, 3);
    ASSERT_EQ(document.shapes().size(), 1u);
    EXPECT_EQ(document.shapes()[0]->GetPolygonCount(), 1);
    EXPECT_EQ(document.file(), file.string());
}

TEST(HostDocument, ATextureFromElsewhereIsCopiedBesideTheObjAndNamedByTheMtl) {
    QTemporaryDir folder;
    const fs::path root(folder.path().toStdString());
    fs::create_directories(root / "textures");
    fs::create_directories(root / "out");
    writeImage(root / "textures" / "atlas.bmp");
    // A different file of the same name already in the target folder is left alone.
    std::ofstream(root / "out" / "atlas.bmp") << "someone else's file";

    HostDocument document(environment());
    document.openSample();
    std::int32_t width = 0, height = 0;
    const brontle::TexturePtr texture = document.scene()->LoadTexture(
        (root / "textures" / "atlas.bmp").string(), 0, 0, "", "", 0.5f, "", "", "", width, height);
    ASSERT_NE(texture, nullptr);
    const brontle::MaterialPtr material = document.scene()->CreateMaterial();
    material->SetTexture(texture);
    document.shapes()[0]->SetMaterial(material);

    document.saveAs((root / "out" / "model.obj").string());

    EXPECT_EQ(readText(root / "out" / "atlas.bmp"), "someone else's file");
    ASSERT_TRUE(fs::exists(root / "out" / "atlas_2.bmp"));
    EXPECT_EQ(readText(root / "out" / "atlas_2.bmp"), readText(root / "textures" / "atlas.bmp"));
    EXPECT_NE(readText(root / "out" / "model.mtl").find("map_Kd atlas_2.bmp"), std::string::npos)
        << readText(root / "out" / "model.mtl");
    // The user's material still names the original file.
    EXPECT_EQ(fs::path(material->texture()->file()), root / "textures" / "atlas.bmp");

    // Saving again reuses the copy instead of making another.
    document.saveAs((root / "out" / "model.obj").string());
    EXPECT_FALSE(fs::exists(root / "out" / "atlas_3.bmp"));
}

TEST(HostDocument, AFailedSaveLeavesTheFilesAsTheyWere) {
    QTemporaryDir folder;
    const fs::path root(folder.path().toStdString());
    HostDocument document(environment());
    document.openSample();

    const fs::path existing = root / "model.obj";
    std::ofstream(existing) << "previous content";
    try {
        document.saveAs((root / "model.xyz").string());
        FAIL() << "an unknown extension was written";
    } catch (const brontle::Error& e) {
        EXPECT_EQ(e.number(), brontle::ErrorNumber::HostFileUnwritable);
    }
    EXPECT_FALSE(fs::exists(root / "model.xyz"));
    EXPECT_THROW(document.saveAs((root / "missing" / "model.obj").string()), brontle::Error);
    EXPECT_EQ(readText(existing), "previous content");
    EXPECT_FALSE(fs::exists(root / "missing"));
}

} // namespace
