#pragma once
// Plain records passed by value between the host and plug-ins. All single precision, as the
// plug-in interface fixes; computations that need more precision widen locally.

#include <cstdint>

namespace brontle {

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    friend bool operator==(const Vector3&, const Vector3&) = default;
};

struct Vector2 {
    float u = 0.0f;
    float v = 0.0f;
    friend bool operator==(const Vector2&, const Vector2&) = default;
};

// red, green, blue, alpha; white is (1, 1, 1, 1).
struct Color4 {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 1.0f;
    friend bool operator==(const Color4&, const Color4&) = default;
};

struct BoundingBox {
    float minX = 0.0f, minY = 0.0f, minZ = 0.0f;
    float maxX = 0.0f, maxY = 0.0f, maxZ = 0.0f;
    friend bool operator==(const BoundingBox&, const BoundingBox&) = default;
};

// One 24-byte sub-selection entry. `index` is a polygon index (kind 1), a vertex index (kind 2)
// or a polygon index whose edge starts at corner `corner` and runs to the next corner, the last
// corner wrapping to 0 (kind 3). The rest is reserved and zero.
struct SubSelectionEntry {
    std::int32_t index = 0;
    std::int32_t corner = 0;
    std::int32_t reserved[4] = {0, 0, 0, 0};
    friend bool operator==(const SubSelectionEntry&, const SubSelectionEntry&) = default;
};
static_assert(sizeof(SubSelectionEntry) == 24);

// Selection kinds of a view's sub-selection.
enum SelectionKind : std::int32_t {
    kSelectNone = 0,
    kSelectPolygons = 1,
    kSelectPoints = 2,
    kSelectEdges = 3,
};

} // namespace brontle
