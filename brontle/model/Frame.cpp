#include "brontle/model/Frame.h"

#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/Shape.h"

#include <algorithm>
#include <cmath>

namespace brontle {

namespace {

Quaternion multiply(const Quaternion& a, const Quaternion& b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
            a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Quaternion conjugate(const Quaternion& q) {
    return {-q.x, -q.y, -q.z, q.w};
}

// A caller may hand over an empty reference, as a plug-in whose shape could not be made does:
// that is its error to report, not a crash of the host.
void requireShape(const ShapePtr& shape, const char* operation) {
    if (!shape) {
        throw Error(ErrorNumber::ObjectNotSet,
                    std::string(operation) + ": object variable not set (no shape)", "Frame");
    }
}

} // namespace

Vector3 rotate(const Quaternion& q, const Vector3& v) {
    const Quaternion p{v.x, v.y, v.z, 0.0f};
    const Quaternion r = multiply(multiply(q, p), conjugate(q));
    return {r.x, r.y, r.z};
}

Vector3 transformPoint(const Placement& p, const Vector3& v) {
    const Vector3 r = rotate(p.orientation, v);
    return {r.x + p.position.x, r.y + p.position.y, r.z + p.position.z};
}

Placement compose(const Placement& outer, const Placement& inner) {
    return {transformPoint(outer, inner.position), multiply(outer.orientation, inner.orientation)};
}

Placement inverse(const Placement& p) {
    const Quaternion q = conjugate(p.orientation);
    const Vector3 t = rotate(q, p.position);
    return {{-t.x, -t.y, -t.z}, q};
}

FramePtr Frame::create(const FramePtr& parent) {
    FramePtr frame(new Frame());
    if (parent) {
        frame->parent_ = parent;
        parent->children_.push_back(frame);
    }
    return frame;
}

void Frame::AddShape(const ShapePtr& shape) {
    hostCall("Frame::AddShape");
    requireShape(shape, "AddShape");
    if (auto previous = shape->frame_.lock(); previous && previous.get() != this) {
        previous->RemoveShape(shape);
    }
    if (std::find(shapes_.begin(), shapes_.end(), shape) == shapes_.end()) {
        shapes_.push_back(shape);
    }
    shape->frame_ = weak_from_this();
}

void Frame::RemoveShape(const ShapePtr& shape) {
    hostCall("Frame::RemoveShape");
    requireShape(shape, "RemoveShape");
    std::erase(shapes_, shape);
    if (shape->frame_.lock().get() == this) {
        shape->frame_.reset();
    }
}

Placement Frame::worldPlacement() const {
    Placement world = local_;
    for (FramePtr p = parent_.lock(); p; p = p->parent_.lock()) {
        world = compose(p->local_, world);
    }
    return world;
}

Placement Frame::GetPlacement(const FramePtr& reference, float /*time*/) const {
    if (!reference) {
        return worldPlacement();
    }
    return compose(inverse(reference->worldPlacement()), worldPlacement());
}

void Frame::SetPlacement(const FramePtr& reference, float /*time*/, const Vector3& position,
                         const Quaternion& orientation) {
    hostCall("Frame::SetPlacement");
    // Wanted: world = referenceWorld * (position, orientation); local = parentWorld^-1 * world.
    const Placement relative{position, orientation};
    const Placement world = reference ? compose(reference->worldPlacement(), relative) : relative;
    const FramePtr parent = parent_.lock();
    local_ = parent ? compose(inverse(parent->worldPlacement()), world) : world;
}

void Frame::collectShapes(std::vector<std::pair<ShapePtr, Placement>>& out) const {
    struct Item {
        const Frame* frame;
        Placement placement;
    };
    std::vector<Item> stack{{this, Placement{}}};
    while (!stack.empty()) {
        Item item = stack.back();
        stack.pop_back();
        for (const ShapePtr& shape : item.frame->shapes_) {
            out.emplace_back(shape, item.placement);
        }
        for (auto it = item.frame->children_.rbegin(); it != item.frame->children_.rend(); ++it) {
            stack.push_back({it->get(), compose(item.placement, (*it)->local_)});
        }
    }
}

} // namespace brontle
