#include "peelwise/texture/LayoutTexture.h"

#include "brontle/core/Error.h"
#include "brontle/model/AtomicFiles.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/Display.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/Material.h"
#include "brontle/model/PngFile.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/viewmath/FrameImage.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

namespace peelwise {

namespace {

// The render viewport's back colour 12632256 (red = green = blue = 192), as 0xAARRGGBB.
constexpr std::uint32_t kBackground = 0xffc0c0c0u;

// The extension of `file` in capitals, without the dot ("" when there is none).
std::string extensionOf(const std::string& file) {
    std::string extension = std::filesystem::path(file).extension().string();
    if (!extension.empty()) {
        extension.erase(0, 1);
    }
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return extension;
}

} // namespace

brontle::ShapePtr makeBackdropShape(brontle::SceneGraph& scene,
                                    const brontle::TexturePtr& texture) {
    brontle::ShapePtr backdrop = scene.CreateShape();
    brontle::Polygon square = backdrop->AddPolygon();
    for (int k = 0; k < 4; ++k) {
        square.AddCorner(kBackdropCorners[k], {0, 0, 0}, kBackdropTexCoords[k]);
    }
    // Each corner its own texture coordinate, whatever the corner search shared.
    for (std::int32_t k = 0; k < 4; ++k) {
        square.SetCornerUV(k, kBackdropTexCoords[k]);
    }
    const brontle::MaterialPtr material = square.GetMaterial();
    if (!material) {
        throw brontle::Error(brontle::ErrorNumber::ObjectNotSet,
                             "The backdrop polygon has no material");
    }
    material->SetMaterialOption(brontle::kTextureFilterOption, brontle::kNearestTexels);
    material->SetTexture(texture);
    backdrop->SetDisplayFlags(brontle::kBackdropFlag);
    backdrop->SetDisplayOption(brontle::kDefaultDisplayOption);
    return backdrop;
}

brontle::Image renderLayoutTexture(const brontle::FramePtr& root, std::int32_t width,
                                   std::int32_t height) {
    if (width <= 0 || height <= 0) {
        throw brontle::Error(brontle::ErrorNumber::HostBadArgument,
                             "the texture size " + std::to_string(width) + " x " +
                                 std::to_string(height) + " is not positive",
                             "renderLayoutTexture");
    }
    brontle::FrameImageRequest request;
    request.width = width;
    request.height = height;
    request.camera = {0.5f, 0.5f, -10.0f};
    request.extent = 0.5f;
    request.background = kBackground;
    request.style.smoothWires = false;
    request.style.lighting = false;
    request.style.wires = true;
    request.style.wireColour = 0xff000000u;
    return brontle::renderFrameImage(root, request);
}

std::vector<std::uint8_t> encodeTextureFile(const std::string& file, const brontle::Image& image) {
    const std::string extension = extensionOf(file);
    if (extension != "BMP" && extension != "PNG") {
        throw brontle::Error(
            brontle::ErrorNumber::HostFileUnwritable,
            file + ": cannot write images of this kind (the name must end in .bmp or .png)",
            "SaveSurface");
    }
    if (image.empty()) {
        throw brontle::Error(brontle::ErrorNumber::HostFileUnwritable,
                             file + ": an empty image cannot be written", "SaveSurface");
    }
    return extension == "PNG" ? brontle::encodePng(image) : brontle::encodeBmp(image);
}

brontle::Image opaqueTexture(brontle::Image image) {
    for (std::uint32_t& pixel : image.pixels) {
        pixel |= 0xff000000u;
    }
    return image;
}

void addTextureFile(brontle::FileGroup& group, const std::string& file,
                    const brontle::Image& image) {
    std::vector<std::uint8_t> bytes;
    {
        // Encoding is most of a save's time; the encoders report their rows.
        const brontle::ProgressPart encoding(0.0, 0.7);
        bytes = encodeTextureFile(file, image);
    }
    brontle::reportProgress(0.7);
    group.add(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    // The last chance to stop before the group commits: a cancel here removes the new file.
    brontle::reportProgress(1.0);
}

void saveTextureFile(const std::string& file, const brontle::Image& image) {
    brontle::FileGroup group("SaveSurface");
    addTextureFile(group, file, image);
    group.commit();
}

} // namespace peelwise

namespace peelwise {

std::string textureOperationTitle(const std::string& file) {
    return "Rendering the texture " + std::filesystem::path(file).filename().string();
}

brontle::Error textureRenderCancelled(const std::string& file) {
    return brontle::Error(brontle::ErrorNumber::HostCancelled,
                          file + ": the texture render was cancelled", "SaveSurface");
}

void renderAndSaveTexture(const brontle::FramePtr& root, std::int32_t width, std::int32_t height,
                          const std::string& file) {
    brontle::progressService().run(textureOperationTitle(file), textureRenderCancelled(file),
                                   brontle::WorkThread::Caller, [&](brontle::ProgressReporter&) {
                                       brontle::Image image;
                                       {
                                           const brontle::ProgressPart drawing(0.0, 0.8);
                                           image = renderLayoutTexture(root, width, height);
                                       }
                                       const brontle::ProgressPart saving(0.8, 1.0);
                                       saveTextureFile(file, image);
                                   });
}

} // namespace peelwise
