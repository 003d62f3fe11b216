#pragma once
#include "brontle/core/Records.h"

#include <cstdint>

namespace brontle {
class Shape;
// Unit normal of one polygon of `shape` by Newell's method; zero when it has no area.
Vector3 faceNormalOf(const Shape& shape, std::int32_t polygon);
} // namespace brontle
