#include "peelwise/editor/SaveRenderedTexture.h"

#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/core/Error.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Viewport.h"

#include <atomic>
#include <cmath>
#include <filesystem>
#include <unistd.h>

namespace peelwise {

namespace {

namespace fs = std::filesystem;

// A name in the target's folder that no other writer uses, with the target's extension so the
// image writer picks the same format.
fs::path temporaryBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    fs::path name = target.stem();
    name += ".peelwise-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    name += target.extension();
    return target.parent_path() / name;
}

} // namespace

void saveRenderedTexture(const brontle::Viewport& viewport,
                         const brontle::ViewportRenderDevice& device, const std::string& file) {
    const brontle::Image surface = device.GetSurface(0, 0);
    brontle::SurfaceRect source;
    source.right = static_cast<std::int32_t>(
        std::lround(viewport.Width() / brontle::platform().twipsPerPixelX()));
    source.bottom = static_cast<std::int32_t>(
        std::lround(viewport.Height() / brontle::platform().twipsPerPixelY()));

    // The old file must give way to the new one, but deleting it first would lose it when the
    // write then fails (a full disk). So the image is written completely beside it first and then
    // renamed over it, which replaces it in one step. Only where the system refuses to rename
    // onto an existing file is the old one deleted (errors ignored: a file that is not there
    // needs no deleting) and the rename tried again.
    const fs::path target(brontle::nativePath(file));
    const fs::path temporary = temporaryBeside(target);
    try {
        viewport.RenderUtility().SaveSurface(temporary.string(), 0, surface, brontle::SurfaceRect{},
                                             source);
    } catch (const brontle::Error& e) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        // The message names the file the user asked for, not the one it was written in.
        std::string description = e.description();
        const std::string written = temporary.string();
        for (auto at = description.find(written); at != std::string::npos;
             at = description.find(written, at + file.size())) {
            description.replace(at, written.size(), file);
        }
        throw brontle::Error(e.number(), description, e.source());
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
    std::error_code renamed;
    fs::rename(temporary, target, renamed);
    if (renamed) {
        std::error_code ignored;
        fs::remove(target, ignored);
        renamed.clear();
        fs::rename(temporary, target, renamed);
    }
    if (renamed) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw brontle::Error(brontle::ErrorNumber::HostFileUnwritable,
                             file + ": cannot replace the texture file (" + renamed.message() + ")",
                             "frmMain");
    }
}

void frmMain::SaveRenderedTexture(const brontle::ViewportRenderDevice& device) {
    withSource("frmMain", [&] { saveRenderedTexture(*dfvViewport, device, sTextureName); });
}

void frmMain::dfvViewport_FrameRendered() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] { SaveRenderedTexture(dfvViewport->RenderDevice()); });
}

} // namespace peelwise
