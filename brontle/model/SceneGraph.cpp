#include "brontle/model/SceneGraph.h"

#include "brontle/core/Error.h"
#include "brontle/model/BmpFile.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/Frame.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Material.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/model/Toolkit.h"

#include <algorithm>
#include <atomic>

namespace brontle {

DeviceID newDeviceID() {
    static std::atomic<DeviceID> next{1};
    return next.fetch_add(1);
}

SceneGraph::SceneGraph(HostEnvironmentPtr environment)
    : environment_(std::move(environment)), toolkit_(std::make_shared<Toolkit>()),
      imageReader_(readBmpFile) {}

SceneGraphPtr SceneGraph::create(HostEnvironmentPtr environment) {
    if (!environment) {
        environment = std::make_shared<HostEnvironment>(".", "Brontle");
    }
    return SceneGraphPtr(new SceneGraph(std::move(environment)));
}

ShapePtr SceneGraph::GetSelectedShape(DeviceID device, std::int32_t index) const {
    hostCall("SceneGraph::GetSelectedShape");
    std::vector<ShapePtr> live;
    if (auto it = selected_.find(device); it != selected_.end()) {
        for (const auto& weak : it->second) {
            if (auto shape = weak.lock()) {
                live.push_back(std::move(shape));
            }
        }
    }
    if (index < 0 || index >= static_cast<std::int32_t>(live.size())) {
        throw Error(ErrorNumber::SubscriptOutOfRange,
                    "No selected shape " + std::to_string(index) + " in view " +
                        std::to_string(device),
                    "SceneGraph");
    }
    return live[index];
}

std::int32_t SceneGraph::GetSelectedShapeCount(DeviceID device) const {
    auto it = selected_.find(device);
    if (it == selected_.end()) {
        return 0;
    }
    return static_cast<std::int32_t>(std::count_if(it->second.begin(), it->second.end(),
                                                   [](const auto& w) { return !w.expired(); }));
}

std::int32_t SceneGraph::GetSubSelectionKind(DeviceID device) const {
    if (GetSelectedShapeCount(device) == 0) {
        return 0;
    }
    return GetSelectedShape(device, 0)->GetSelectionType(device);
}

void SceneGraph::ClearSelection(DeviceID device) {
    hostCall("SceneGraph::ClearSelection");
    auto it = selected_.find(device);
    if (it == selected_.end()) {
        return;
    }
    for (const auto& weak : it->second) {
        if (auto shape = weak.lock()) {
            shape->ClearSubSelection(device);
        }
    }
    selected_.erase(it);
}

void SceneGraph::SelectShape(DeviceID device, const ShapePtr& shape) {
    hostCall("SceneGraph::SelectShape");
    noteSubSelection(device, shape);
}

void SceneGraph::noteSubSelection(DeviceID device, const ShapePtr& shape) {
    auto& list = selected_[device];
    std::erase_if(list, [](const auto& w) { return w.expired(); });
    for (const auto& weak : list) {
        if (weak.lock() == shape) {
            return;
        }
    }
    list.push_back(shape);
}

ShapePtr SceneGraph::CreateShape() {
    hostCall("SceneGraph::CreateShape");
    ShapePtr shape = Shape::create();
    shape->scene_ = weak_from_this();
    return shape;
}

FramePtr SceneGraph::CreateFrame(const FramePtr& parent) {
    hostCall("SceneGraph::CreateFrame");
    return Frame::create(parent);
}

MaterialPtr SceneGraph::CreateMaterial() {
    hostCall("SceneGraph::CreateMaterial");
    return Material::create();
}

TexturePtr SceneGraph::LoadTexture(const std::string& file, std::int32_t, std::int32_t,
                                   const std::string&, const std::string&, float,
                                   const std::string&, const std::string&, const std::string&,
                                   std::int32_t& width, std::int32_t& height) {
    hostCall("SceneGraph::LoadTexture");
    width = 0;
    height = 0;
    const std::string path = nativePath(file);
    if (path.empty()) {
        return nullptr;
    }
    std::optional<Image> image = imageReader_(path);
    if (!image || image->empty()) {
        return nullptr;
    }
    width = image->width;
    height = image->height;
    return std::make_shared<Texture>(std::move(*image), path);
}

MaterialPtr SceneGraph::GetDeviceMaterial(DeviceID device, std::int32_t slot) {
    auto& material = deviceMaterials_[{device, slot}];
    if (!material) {
        material = Material::create();
        // Selected wires (slot 5) in orange, unselected ones (slot 6) in grey.
        material->SetColorB(slot == 5 ? Color4{1.0f, 0.55f, 0.1f, 1.0f}
                                      : Color4{0.35f, 0.35f, 0.35f, 1.0f});
    }
    return material;
}

void SceneGraph::SetDeviceMaterial(DeviceID device, std::int32_t slot,
                                   const MaterialPtr& material) {
    hostCall("SceneGraph::SetDeviceMaterial");
    if (!material) {
        throw Error(ErrorNumber::ObjectNotSet, "SetDeviceMaterial needs a material", "SceneGraph");
    }
    deviceMaterials_[{device, slot}] = material;
    RefreshDevice(device);
}

void SceneGraph::RefreshDevice(DeviceID device) {
    hostCall("SceneGraph::RefreshDevice");
    // Copy first: a listener may add or remove listeners while it runs.
    const auto listeners = listeners_;
    for (const auto& listener : listeners) {
        if (listener.device == device && listener.callback) {
            listener.callback();
        }
    }
}

void SceneGraph::FlushPending(std::int32_t& pending) {
    hostCall("SceneGraph::FlushPending");
    pending = 0;
    if (flushHook_) {
        pending = flushHook_();
    }
}

int SceneGraph::addRefreshListener(DeviceID device, std::function<void()> listener) {
    listeners_.push_back({nextListener_, device, std::move(listener)});
    return nextListener_++;
}

void SceneGraph::removeRefreshListener(int handle) {
    std::erase_if(listeners_, [handle](const Listener& l) { return l.handle == handle; });
}

} // namespace brontle
