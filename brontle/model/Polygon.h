#pragma once
// A light handle (shape, polygon index) over the shape's flat arrays. Valid while the shape
// lives and the polygon is not deleted. Corner indices run 0..GetCornerCount() - 1 in winding
// order; an out-of-range corner throws Error(SubscriptOutOfRange).

#include "brontle/core/Records.h"
#include "brontle/model/Forward.h"

#include <cstdint>

namespace brontle {

class Shape;

// Position, normal and texture coordinate of one corner.
struct CornerData {
    Vector3 position;
    Vector3 normal;
    Vector2 uv;
};

class Polygon {
  public:
    Polygon(Shape* shape, std::int32_t index) : shape_(shape), index_(index) {}

    std::int32_t index() const { return index_; }
    std::int32_t GetCornerCount() const;
    std::int32_t GetCornerVertex(std::int32_t corner) const;
    std::int32_t GetCornerNormalIndex(std::int32_t corner) const;
    std::int32_t GetCornerTexCoordIndex(std::int32_t corner) const;
    Vector2 GetCornerTexCoord(std::int32_t corner) const;
    CornerData GetCornerData(std::int32_t corner) const;

    // Points the corner at existing pool entries.
    void SetCorner(std::int32_t corner, std::int32_t vertex, std::int32_t normal,
                   std::int32_t texcoord);
    // Gives the corner a vertex, normal and texture coordinate at these values, each found
    // within 0.0001 or added, so a corner moved to a new place gets entries of its own.
    void SetCornerData(std::int32_t corner, const Vector3& position, const Vector3& normal,
                       const Vector2& uv);
    void SetCornerTexCoordIndex(std::int32_t corner, std::int32_t texcoord);
    // Appends a corner at these values (found within 0.0001 or added), so corners at one place
    // share one vertex and a layout drags as one piece.
    void AddCorner(const Vector3& position, const Vector3& normal, const Vector2& uv);
    // Gives the corner the texture coordinate at `uv`, found within 0.0001 or added: corners that
    // shared a coordinate still share one after the same shift, and a corner moved alone gets
    // its own.
    void SetCornerUV(std::int32_t corner, const Vector2& uv);

    // Unit normal by Newell's method (counter-clockwise seen from its side); zero when the
    // polygon has no area.
    Vector3 GetFaceNormal() const;
    std::int32_t GetTag() const;
    void SetTag(std::int32_t tag);
    MaterialPtr GetMaterial() const;
    // Uses `material`, adding it to the shape's table when it is not there yet.
    void SetMaterial(const MaterialPtr& material);

  private:
    std::int32_t cornerSlot(std::int32_t corner) const;

    Shape* shape_;
    std::int32_t index_;
};

} // namespace brontle
