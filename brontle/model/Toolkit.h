#pragma once
// Vector services of the host, shared by plug-ins. All single precision.

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"

#include <span>
#include <string>

namespace brontle {

class Toolkit {
  public:
    Vector3 MakeVector3(float x, float y, float z) const { return {x, y, z}; }
    Vector2 MakeVector2(float u, float v) const { return {u, v}; }
    // Equal within 0.0001 on every component (inclusive), the host's point tolerance.
    bool VectorsEqual(const Vector3& a, const Vector3& b) const;
    float VectorLength(const Vector3& v) const;
    // Unit vector; the zero vector stays zero.
    Vector3 NormalizeVector(const Vector3& v) const;
    // `v` scaled to `length`; the zero vector stays zero (it has no direction).
    Vector3 SetVectorLength(const Vector3& v, float length) const;
    // Rotates `v` by `angle` radians about `axis`. The host's views look along +z (the 2D view
    // from z = -1000 towards the layout, x to the right and y down), so a positive angle turns
    // counter-clockwise as seen looking along the axis: about +z, (1, 0, 0) turns towards
    // (0, -1, 0), which is counter-clockwise on the screen of the 2D view. A zero axis or zero
    // vector returns `v` unchanged.
    Vector3 RotateVector(const Vector3& v, const Vector3& axis, float angle) const;
    // Unit normal of a closed outline by Newell's method: (0, 0, 1) for a counter-clockwise
    // outline in the x-y plane; zero for an outline without area.
    Vector3 PolygonNormal(std::span<const Vector3> points) const;
    // Readies a view's root frame for display: clears its placement and sets its display scale.
    // `flags` is reserved and must be 0.
    void PrepareFrame(const FramePtr& frame, float scale, std::int32_t flags) const;
    // The image file kinds the host reads, as an open-dialog filter.
    std::string GetImageFileKind() const;
};

} // namespace brontle
