#pragma once
// A frame tree drawn into an image by the 2D view's flat camera, without Qt and without a
// display: the texture render viewport's image (Viewport::Render) and the texture output of the
// headless command are this one function, so they agree pixel for pixel.
//
// The camera: camera x, y the centre of the image, `extent` the half-height in view units, view
// y pointing down, `cameraZ` the camera's depth (shapes behind it are not drawn). What is drawn
// and how is renderScene's (SceneRender.h).

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"
#include "brontle/model/Image.h"
#include "brontle/viewmath/SceneRender.h"

#include <cstdint>

namespace brontle {

struct FrameImageRequest {
    int width = 1;  // pixels, at least 1
    int height = 1; // pixels, at least 1
    Vector3 camera{0.5f, 0.5f, -10.0f};
    float extent = 0.5f;
    std::uint32_t background = 0xffc0c0c0u; // 0xAARRGGBB
    SceneRenderStyle style;
};

// The image of `root`'s tree (the background alone for a null root).
Image renderFrameImage(const FramePtr& root, const FrameImageRequest& request);

} // namespace brontle
