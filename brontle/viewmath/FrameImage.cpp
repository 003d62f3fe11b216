#include "brontle/viewmath/FrameImage.h"

#include "brontle/viewmath/SoftwareRaster.h"
#include "brontle/viewmath/ViewTransform.h"

#include <algorithm>
#include <utility>

namespace brontle {

Image renderFrameImage(const FramePtr& root, const FrameImageRequest& request) {
    const int width = std::max(1, request.width);
    const int height = std::max(1, request.height);
    SoftwareRaster raster(width, height, request.background, false);
    if (root) {
        const ViewTransform view = flatViewTransform(
            request.camera.x, request.camera.y, request.extent, width, height, request.camera.z);
        renderScene(raster, view, collectSceneItems(root), request.style);
    }
    return std::move(raster.image());
}

} // namespace brontle
