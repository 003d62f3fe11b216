#pragma once
// The host's texture render view: renders a root frame's tree into an image without OpenGL
// (brontle::renderFrameImage, FrameImage.h, which the headless command calls without this
// widget), shows the last image, and saves it.
//
// The camera is the 2D view's (see Editport.h): orthographic, camera x, y the centre of the
// image, ViewExtent the half-height in view units, view y pointing DOWN. Pixel rules (exact,
// see SoftwareRenderer.h): filled polygons cover the pixels whose centres they contain; textures
// are sampled at the nearest texel with repeat wrap; wires are 1-pixel lines.
//
// What is drawn
//  - shapes with display mode 11 (wireframe and points): their wires only;
//  - every other shape: filled, textured by its material's texture (else its colour B), drawn
//    far (larger z) to near, with display flag 4 (backdrop) shapes first;
//  - the wires in the colour B of this viewport's device material slot 6, which SetScene sets
//    to black (0, 0, 0, 1); the owner may change it afterwards with SetDeviceMaterial.
//
// Render settings
//  - RenderSettingA: 0 aliased wires (one exact pixel per step), 1 smoothed wires (coverage
//    blended into the two nearest pixels). Default 0.
//  - RenderSettingB: 0 no lighting (texture or colour B as is), 1 colour B modulated by the
//    texture and faded with the polygon's tilt from the view direction. Default 0.
//  - RenderSettingC: 0 no wires, 1 wires of mode-11 shapes on top. Default 1.
//
// Width and Height are in twips; the render surface has Width / twipsPerPixelX by
// Height / twipsPerPixelY pixels (each rounded to the nearest whole number, at least 1), with the
// twips per pixel of the process platform (brontle/services/Platform.h).

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"
#include "brontle/model/Image.h"

#include <QWidget>

#include <cstdint>
#include <string>

namespace brontle {

// Left, top, right, bottom in pixels; right and bottom are exclusive.
struct SurfaceRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool isZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
};
static_assert(sizeof(SurfaceRect) == 16);

class Viewport;

// The viewport's render device: hands out the last rendered image.
class ViewportRenderDevice {
  public:
    explicit ViewportRenderDevice(const Viewport& viewport) : viewport_(viewport) {}
    // The last rendered surface (a copy). `surfaceIndex` 0 is the colour surface, the only one;
    // `flags` must be 0. Throws Error(HostBadArgument) for anything else.
    Image GetSurface(int surfaceIndex, int flags) const;

  private:
    const Viewport& viewport_;
};

// Saves surfaces into image files.
class ViewportRenderUtility {
  public:
    // Writes the `source` rectangle of `surface` into `file`: BMP (24-bit) or PNG, chosen by the
    // extension, replacing the file atomically. `format` 0 means "by extension" and is the only
    // value. `destination` all zero writes the rectangle at its own size; otherwise the image
    // written has the destination's size and the source is scaled to it (nearest pixel).
    // Throws Error(HostBadArgument) for a format other than 0 or a source rectangle that is empty
    // or leaves the surface, and Error(HostFileUnwritable) when the file cannot be written; the
    // old file is then unchanged.
    void SaveSurface(const std::string& file, int format, const Image& surface,
                     const SurfaceRect& destination, const SurfaceRect& source) const;
};

class Viewport : public QWidget {
    Q_OBJECT
  public:
    explicit Viewport(QWidget* parent = nullptr);
    ~Viewport() override;

    // Size of the drawing area in twips. Setting resizes the widget and the render surface.
    // Throws Error(HostBadArgument) for a size that is not positive and finite.
    double Width() const;
    void setWidth(double twips);
    double Height() const;
    void setHeight(double twips);
    // The render surface's size in pixels.
    int surfaceWidth() const;
    int surfaceHeight() const;

    // Sets the viewport's slot-6 device material colour B to black (see above).
    void SetScene(const SceneGraphPtr& scene, const FramePtr& root);
    FramePtr RootFrame() const;
    // This viewport's id for its device materials.
    ::brontle::DeviceID DeviceID() const;

    void SetCameraPosition(float x, float y, float z);
    Vector3 CameraPosition() const;
    float ViewExtent() const;
    // Throws Error(HostBadArgument) for an extent that is not positive and finite.
    void setViewExtent(float extent);

    // Renders the scene into the surface (the back colour alone without a scene), shows it and
    // then emits FrameRendered.
    void Render();

    int RenderSettingA() const;
    void setRenderSettingA(int value);
    int RenderSettingB() const;
    void setRenderSettingB(int value);
    int RenderSettingC() const;
    void setRenderSettingC(int value);
    // Background in the 0x00BBGGRR form; default 12632256 (light grey, 192 each).
    std::uint32_t BackColor() const;
    void setBackColor(std::uint32_t colorRef);
    // 0 nearest texel; kept for the owner, the renderer always samples the nearest texel.
    int TextureQuality() const;
    void setTextureQuality(int quality);

    const ViewportRenderDevice& RenderDevice() const { return device_; }
    const ViewportRenderUtility& RenderUtility() const { return utility_; }
    // The last rendered surface.
    const Image& surface() const { return surface_; }

  signals:
    void FrameRendered();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void applySize();

    SceneGraphPtr scene_;
    FramePtr root_;
    ::brontle::DeviceID deviceId_;
    double widthTwips_ = 0.0;
    double heightTwips_ = 0.0;
    int surfaceWidth_ = 1;
    int surfaceHeight_ = 1;
    Vector3 camera_{0.5f, 0.5f, -10.0f};
    float extent_ = 0.5f;
    int settingA_ = 0;
    int settingB_ = 0;
    int settingC_ = 1;
    std::uint32_t backColor_ = 12632256u;
    int textureQuality_ = 0;
    Image surface_;
    ViewportRenderDevice device_{*this};
    ViewportRenderUtility utility_;
};

} // namespace brontle
