#include "brontle/views/Viewport.h"

#include "brontle/core/Error.h"
#include "brontle/model/Display.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/services/Platform.h"
#include "brontle/services/QtImageFiles.h"
#include "brontle/viewmath/FrameImage.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace brontle {

namespace {

void requirePositive(double value, const char* what) {
    if (!(value > 0.0) || !std::isfinite(value)) {
        throw Error(ErrorNumber::HostBadArgument,
                    std::string("Viewport: ") + what + " must be a positive finite number",
                    "Viewport");
    }
}

// The drawing's share of a render's progress; the rest is its FrameRendered handlers'.
constexpr double kDrawingShare = 0.8;

int pixelsFromTwips(double twips, double twipsPerPixel) {
    if (!(twipsPerPixel > 0.0)) {
        twipsPerPixel = 15.0; // 96 dots per inch, should a platform report nonsense
    }
    return std::max(1, static_cast<int>(std::lround(twips / twipsPerPixel)));
}

std::uint32_t argbFromColorRef(std::uint32_t colorRef) {
    const std::uint32_t r = colorRef & 0xffu, g = (colorRef >> 8) & 0xffu,
                        b = (colorRef >> 16) & 0xffu;
    return 0xff000000u | (r << 16) | (g << 8) | b;
}

} // namespace

Image ViewportRenderDevice::GetSurface(int surfaceIndex, int flags) const {
    if (surfaceIndex != 0 || flags != 0) {
        throw Error(ErrorNumber::HostBadArgument, "GetSurface: only surface 0 with flags 0 exists",
                    "Viewport");
    }
    return viewport_.surface();
}

void ViewportRenderUtility::SaveSurface(const std::string& file, int format, const Image& surface,
                                        const SurfaceRect& destination,
                                        const SurfaceRect& source) const {
    if (format != 0) {
        throw Error(ErrorNumber::HostBadArgument,
                    "SaveSurface " + file + ": format must be 0 (by extension)", "Viewport");
    }
    if (source.left < 0 || source.top < 0 || source.right > surface.width ||
        source.bottom > surface.height || source.right <= source.left ||
        source.bottom <= source.top) {
        throw Error(ErrorNumber::HostBadArgument,
                    "SaveSurface " + file + ": the source rectangle is empty or leaves the " +
                        std::to_string(surface.width) + " x " + std::to_string(surface.height) +
                        " surface",
                    "Viewport");
    }
    const int sw = source.right - source.left, sh = source.bottom - source.top;
    int dw = sw, dh = sh;
    if (!destination.isZero()) {
        dw = destination.right - destination.left;
        dh = destination.bottom - destination.top;
        if (dw <= 0 || dh <= 0) {
            throw Error(ErrorNumber::HostBadArgument,
                        "SaveSurface " + file + ": the destination rectangle is empty", "Viewport");
        }
    }
    Image out(dw, dh);
    reportProgress(0.0);
    for (int y = 0; y < dh; ++y) {
        // Nearest source pixel of each destination pixel centre.
        const int sy = source.top + std::min(sh - 1, static_cast<int>((y + 0.5) * sh / dh));
        for (int x = 0; x < dw; ++x) {
            const int sx = source.left + std::min(sw - 1, static_cast<int>((x + 0.5) * sw / dw));
            out.at(x, y) = surface.at(sx, sy);
        }
    }
    saveImage(file, out);
}

Viewport::Viewport(QWidget* parent) : QWidget(parent), deviceId_(newDeviceID()) {
    setWidth(320.0 * platform().twipsPerPixelX());
    setHeight(240.0 * platform().twipsPerPixelY());
    surface_ = Image(surfaceWidth_, surfaceHeight_, argbFromColorRef(backColor_));
}

Viewport::~Viewport() = default;

double Viewport::Width() const {
    return widthTwips_;
}
double Viewport::Height() const {
    return heightTwips_;
}

void Viewport::setWidth(double twips) {
    requirePositive(twips, "Width");
    widthTwips_ = twips;
    applySize();
}

void Viewport::setHeight(double twips) {
    requirePositive(twips, "Height");
    heightTwips_ = twips;
    applySize();
}

void Viewport::applySize() {
    surfaceWidth_ =
        pixelsFromTwips(widthTwips_ > 0 ? widthTwips_ : 1.0, platform().twipsPerPixelX());
    surfaceHeight_ =
        pixelsFromTwips(heightTwips_ > 0 ? heightTwips_ : 1.0, platform().twipsPerPixelY());
    resize(surfaceWidth_, surfaceHeight_);
}

int Viewport::surfaceWidth() const {
    return surfaceWidth_;
}
int Viewport::surfaceHeight() const {
    return surfaceHeight_;
}

void Viewport::SetScene(const SceneGraphPtr& scene, const FramePtr& root) {
    scene_ = scene;
    root_ = root;
    if (scene_) {
        MaterialPtr wires = scene_->GetDeviceMaterial(deviceId_, kWireSlot);
        wires->SetColorB({0.0f, 0.0f, 0.0f, 1.0f});
        scene_->SetDeviceMaterial(deviceId_, kWireSlot, wires);
    }
}

FramePtr Viewport::RootFrame() const {
    return root_;
}
DeviceID Viewport::DeviceID() const {
    return deviceId_;
}

void Viewport::SetCameraPosition(float x, float y, float z) {
    camera_ = {x, y, z};
}
Vector3 Viewport::CameraPosition() const {
    return camera_;
}
float Viewport::ViewExtent() const {
    return extent_;
}

void Viewport::setViewExtent(float extent) {
    requirePositive(extent, "ViewExtent");
    extent_ = extent;
}

void Viewport::Render() {
    FrameImageRequest request;
    request.width = surfaceWidth_;
    request.height = surfaceHeight_;
    request.camera = camera_;
    request.extent = extent_;
    request.background = argbFromColorRef(backColor_);
    request.style.smoothWires = settingA_ != 0;
    request.style.lighting = settingB_ != 0;
    request.style.wires = settingC_ != 0;
    if (root_ && scene_) {
        request.style.wireColour =
            argbFromColor(scene_->GetDeviceMaterial(deviceId_, kWireSlot)->GetColorB());
    }
    {
        // Run as a host operation (OK's texture render), the drawing reports the first part of
        // this render's progress and the FrameRendered handlers (the texture's save) the rest.
        const ProgressPart drawing(0.0, kDrawingShare);
        surface_ = renderFrameImage(root_, request);
    }
    update();
    const ProgressPart handlers(kDrawingShare, 1.0);
    emit FrameRendered();
}

int Viewport::RenderSettingA() const {
    return settingA_;
}
void Viewport::setRenderSettingA(int value) {
    settingA_ = value;
}
int Viewport::RenderSettingB() const {
    return settingB_;
}
void Viewport::setRenderSettingB(int value) {
    settingB_ = value;
}
int Viewport::RenderSettingC() const {
    return settingC_;
}
void Viewport::setRenderSettingC(int value) {
    settingC_ = value;
}
std::uint32_t Viewport::BackColor() const {
    return backColor_;
}
void Viewport::setBackColor(std::uint32_t colorRef) {
    backColor_ = colorRef & 0x00ffffffu;
    update();
}
int Viewport::TextureQuality() const {
    return textureQuality_;
}
void Viewport::setTextureQuality(int quality) {
    textureQuality_ = quality;
}

void Viewport::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(argbFromColorRef(backColor_)));
    if (!surface_.empty()) {
        const QImage image(reinterpret_cast<const uchar*>(surface_.pixels.data()), surface_.width,
                           surface_.height, surface_.width * 4, QImage::Format_ARGB32);
        painter.drawImage(0, 0, image);
    }
}

} // namespace brontle
