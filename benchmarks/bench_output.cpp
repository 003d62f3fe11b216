// The time of OK's output path at 2048 x 2048 on a 100,000-triangle shape: the UV layout
// rendered by the editor's viewport (three renders, each saved into the BMP file by the
// FrameRendered handler; a 224 x 224 quad grid, 100,352 triangles as quads), the texture attached,
// and the write-back of the working copy into the selected shape; and the same texture drawn and
// saved without the dialog (LayoutTexture.h, the headless command's path). The atlas is built
// once beforehand and not timed. Target: under 1 s. The last line is one JSON object
// {"ok_seconds": ..., "headless_seconds": ...}.
#include "peelwise/editor/AtlasTextureOutput.h"
#include "peelwise/editor/SaveRenderedTexture.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/texture/LayoutTexture.h"
#include "peelwise/uv/UnwrapGeometry.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/InstallFolder.h"
#include "brontle/views/Viewport.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::string file = dir.filePath("atlas.bmp").toStdString();
    auto scene = brontle::SceneGraph::create(
        std::make_shared<brontle::HostEnvironment>(brontle::makeHostEnvironment()));
    const brontle::ShapePtr source = brontle::makeQuadGrid(*scene, 224, 224);
    const brontle::ShapePtr selected = scene->CreateShape();
    selected->AppendShape(*source);

    peelwise::AtlasRequest request;
    request.device = brontle::newDeviceID();
    request.width = request.height = 2048;
    const brontle::ShapePtr copy = peelwise::copyWithSeams(*scene, *source, request.device, {});
    brontle::ShapePtr atlas, uv;
    std::vector<std::int32_t> table;
    const auto atlasStart = std::chrono::steady_clock::now();
    peelwise::atlasAndLayout(*scene, *copy, request, atlas, uv, table, {});
    const double atlasSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - atlasStart).count();
    uv->SetDisplayMode(11);
    const brontle::FramePtr root = scene->CreateFrame(nullptr);
    root->AddShape(peelwise::makeBackdropShape(*scene, peelwise::loadContinuityMap(*scene)));
    root->AddShape(uv);

    brontle::Viewport viewport;
    QObject::connect(&viewport, &brontle::Viewport::FrameRendered, [&] {
        peelwise::saveRenderedTexture(viewport, viewport.RenderDevice(), file);
    });

    constexpr int kRuns = 5;
    std::vector<double> seconds;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        peelwise::StepRunner steps(peelwise::ErrorPolicy::EndHandler,
                                   [](const brontle::Error& e) { throw e; });
        const brontle::ShapePtr working = scene->CreateShape();
        working->AppendShape(*atlas); // OK's copy of the edit
        peelwise::renderAtlasTexture(steps, viewport, scene, root, 2048, 2048);
        std::int32_t w = 0, h = 0;
        peelwise::attachAtlasTexture(steps, scene, working, file, w, h);
        selected->Clear(); // the write-back of a whole shape
        selected->AppendShape(*working);
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[kRuns / 2];

    const std::string headlessFile = dir.filePath("headless.bmp").toStdString();
    std::vector<double> headless;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        peelwise::saveTextureFile(headlessFile, peelwise::renderLayoutTexture(root, 2048, 2048));
        headless.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(headless.begin(), headless.end());
    const double headlessMedian = headless[kRuns / 2];
    std::printf("(Debian's benchmark library is a debug build; this program times itself.)\n");
    std::printf("%-44s %12s\n", "case", "seconds");
    std::printf("%-44s %12d\n", "triangles", static_cast<int>(2 * source->GetPolygonCount()));
    std::printf("%-44s %12.3f\n", "atlas build (not part of OK, once)", atlasSeconds);
    std::printf("%-44s %12.3f\n", "OK output, fastest of 5", seconds.front());
    std::printf("%-44s %12.3f\n", "OK output, median of 5", median);
    std::printf("%-44s %12.3f\n", "median / 1 s target", median / 1.0);
    std::printf("%-44s %12.3f\n", "render and save without dialog, median of 5", headlessMedian);
    std::printf("{\"ok_seconds\": %.4f, \"headless_seconds\": %.4f}\n", median, headlessMedian);
    return 0;
}
