#pragma once
// A node of the scene tree: holds shapes and child frames, placed relative to its parent by a
// translation and a rotation (a unit quaternion).

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"

#include <memory>
#include <vector>

namespace brontle {

struct Quaternion {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;
    friend bool operator==(const Quaternion&, const Quaternion&) = default;
};

struct Placement {
    Vector3 position;
    Quaternion orientation;
    friend bool operator==(const Placement&, const Placement&) = default;
};

class Frame : public std::enable_shared_from_this<Frame> {
  public:
    static FramePtr create(const FramePtr& parent = nullptr);

    // Puts the shape in this frame (taking it out of the frame that held it before). Both throw
    // Error(ObjectNotSet) for an empty reference.
    void AddShape(const ShapePtr& shape);
    void RemoveShape(const ShapePtr& shape);
    FramePtr GetParent() const { return parent_.lock(); }
    const std::vector<ShapePtr>& shapes() const { return shapes_; }
    const std::vector<FramePtr>& children() const { return children_; }

    // The placement of this frame relative to `reference` (nullptr: the root of its tree).
    // `time` is accepted for scripted animation and ignored: placements are static.
    Placement GetPlacement(const FramePtr& reference, float time = -1.0f) const;
    // Places this frame so that relative to `reference` it has the given placement.
    void SetPlacement(const FramePtr& reference, float time, const Vector3& position,
                      const Quaternion& orientation);
    const Placement& localPlacement() const { return local_; }
    float displayScale() const { return displayScale_; }
    void setDisplayScale(float scale) { displayScale_ = scale; }

    // Every shape of this frame and its descendants, depth first, with its placement relative
    // to this frame.
    void collectShapes(std::vector<std::pair<ShapePtr, Placement>>& out) const;

  private:
    Frame() = default;
    Placement worldPlacement() const;

    std::weak_ptr<Frame> parent_;
    std::vector<FramePtr> children_;
    std::vector<ShapePtr> shapes_;
    Placement local_;
    float displayScale_ = 1.0f;
};

Placement compose(const Placement& outer, const Placement& inner);
Placement inverse(const Placement& p);
Vector3 transformPoint(const Placement& p, const Vector3& v);
Vector3 rotate(const Quaternion& q, const Vector3& v);

} // namespace brontle
