#include "peelwise/editor/SaveRenderedTexture.h"

#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/core/Error.h"
#include "brontle/services/Platform.h"
#include "brontle/views/Viewport.h"

#include <cmath>

namespace peelwise {

void saveRenderedTexture(const brontle::Viewport& viewport,
                         const brontle::ViewportRenderDevice& device, const std::string& file) {
    const brontle::Image surface = device.GetSurface(0, 0);
    brontle::SurfaceRect source;
    source.right = static_cast<std::int32_t>(
        std::lround(viewport.Width() / brontle::platform().twipsPerPixelX()));
    source.bottom = static_cast<std::int32_t>(
        std::lround(viewport.Height() / brontle::platform().twipsPerPixelY()));
    // SaveSurface replaces the file in one step (brontle::FileGroup): a failed write leaves the
    // old texture as it was.
    viewport.RenderUtility().SaveSurface(file, 0, surface, brontle::SurfaceRect{}, source);
}

void frmMain::SaveRenderedTexture(const brontle::ViewportRenderDevice& device) {
    withSource("frmMain", [&] { saveRenderedTexture(*dfvViewport, device, sTextureName); });
}

void frmMain::dfvViewport_FrameRendered() {
    // A save stopped by the user's cancel of OK's texture render is no fault to report: the
    // render (OkCommand.cpp) is a failed one and OK goes on silently.
    const ErrorReporter general = generalErrorReporter();
    StepRunner trap(ErrorPolicy::EndHandler, [&general](const brontle::Error& e) {
        if (e.number() != brontle::ErrorNumber::HostCancelled) {
            general(e);
        }
    });
    trap([&] { SaveRenderedTexture(dfvViewport->RenderDevice()); });
}

} // namespace peelwise
