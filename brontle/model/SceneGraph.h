#pragma once
// The host's scene: creates shapes, frames and materials, loads textures, and keeps for every
// view (DeviceID) which shapes are selected there, its display materials and its refresh
// listeners. A shape's sub-selection itself lives in the shape (Shape::SetSubSelection).

#include "brontle/model/Forward.h"
#include "brontle/model/Image.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brontle {

// Reads an image file: std::nullopt when there is no such file, Error(HostFileUnreadable) when
// the file is there but is not an image the reader understands.
using ImageReader = std::function<std::optional<Image>(const std::string& path)>;

// A new DeviceID, unique in the process.
DeviceID newDeviceID();

class SceneGraph : public std::enable_shared_from_this<SceneGraph> {
  public:
    static SceneGraphPtr create(HostEnvironmentPtr environment);

    // ---- selection per view
    // The index-th shape selected in the view, in the order they were selected. Throws
    // Error(SubscriptOutOfRange) when there is none.
    ShapePtr GetSelectedShape(DeviceID device, std::int32_t index) const;
    std::int32_t GetSelectedShapeCount(DeviceID device) const;
    // Kind of the sub-selection of the first selected shape (0 when none).
    std::int32_t GetSubSelectionKind(DeviceID device) const;
    // Clears the view: no shape selected there, and their sub-selections in it removed.
    void ClearSelection(DeviceID device);
    // Marks `shape` selected in the view (keeping its sub-selection); the host window uses it.
    void SelectShape(DeviceID device, const ShapePtr& shape);

    // ---- creation
    ShapePtr CreateShape();
    FramePtr CreateFrame(const FramePtr& parent);
    MaterialPtr CreateMaterial();
    // Loads an image file as a texture. Returns nullptr when the file does not exist; throws
    // Error(HostFileUnreadable) when it is not a readable image. `width` and `height` receive
    // its pixel size (0 when none). `flags`, `mipLevels`, the strings and `gamma` are accepted
    // for the host's texture cache and do not change the image.
    TexturePtr LoadTexture(const std::string& file, std::int32_t flags, std::int32_t mipLevels,
                           const std::string& alphaFile, const std::string& bumpFile, float gamma,
                           const std::string& tag1, const std::string& tag2,
                           const std::string& tag3, std::int32_t& width, std::int32_t& height);
    void setImageReader(ImageReader reader) { imageReader_ = std::move(reader); }

    // ---- views
    // Display materials of a view; slot 5 colours selected wires, slot 6 unselected ones. A
    // slot is created with default colours on first use.
    MaterialPtr GetDeviceMaterial(DeviceID device, std::int32_t slot);
    void SetDeviceMaterial(DeviceID device, std::int32_t slot, const MaterialPtr& material);
    // Asks the view to redraw: calls the listeners registered for it.
    void RefreshDevice(DeviceID device);
    // Completes the redraws and renders asked for so far (through the flush hook that the
    // host's views install); `pending` receives how many were completed.
    void FlushPending(std::int32_t& pending);
    int addRefreshListener(DeviceID device, std::function<void()> listener);
    void removeRefreshListener(int handle);
    void setFlushHook(std::function<std::int32_t()> hook) { flushHook_ = std::move(hook); }

    ToolkitPtr GetToolkit() const { return toolkit_; }
    HostEnvironmentPtr GetEnvironment() const { return environment_; }

  private:
    friend class Shape;
    explicit SceneGraph(HostEnvironmentPtr environment);
    void noteSubSelection(DeviceID device, const ShapePtr& shape);

    HostEnvironmentPtr environment_;
    ToolkitPtr toolkit_;
    ImageReader imageReader_;
    std::map<DeviceID, std::vector<std::weak_ptr<Shape>>> selected_;
    std::map<std::pair<DeviceID, std::int32_t>, MaterialPtr> deviceMaterials_;
    struct Listener {
        int handle;
        DeviceID device;
        std::function<void()> callback;
    };
    std::function<std::int32_t()> flushHook_;
    std::vector<Listener> listeners_;
    int nextListener_ = 1;
};

} // namespace brontle
