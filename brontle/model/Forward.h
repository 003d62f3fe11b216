#pragma once
// Shared, reference-counted host objects. Releasing a reference is resetting the pointer.

#include <memory>

namespace brontle {

class Shape;
class Frame;
class Material;
class Texture;
class SceneGraph;
class Toolkit;
class HostEnvironment;

using ShapePtr = std::shared_ptr<Shape>;
using FramePtr = std::shared_ptr<Frame>;
using MaterialPtr = std::shared_ptr<Material>;
using TexturePtr = std::shared_ptr<Texture>;
using SceneGraphPtr = std::shared_ptr<SceneGraph>;
using ToolkitPtr = std::shared_ptr<Toolkit>;
using HostEnvironmentPtr = std::shared_ptr<HostEnvironment>;

// Names one view of the host; each view has its own selections.
using DeviceID = int;

} // namespace brontle
