#pragma once
// Finds points within a per-axis tolerance in expected constant time. Points are bucketed in a
// grid whose cells are eight tolerances wide, so the tolerance box around a query touches one
// cell on most axes and never more than two; each bucket is a chain through `next_`, so the
// structure is three flat arrays and one hash map of cell heads.

#include "brontle/core/Records.h"

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace brontle {

class PointHash {
  public:
    explicit PointHash(float tolerance = 0.0001f) : tolerance_(tolerance) {}

    // Rebuilds the hash over all of `points` (index i is points[i]).
    void rebuild(std::span<const Vector3> points);
    void rebuild(std::span<const Vector2> points);
    // Adds point `index` at `p`; indices must be added in increasing order.
    void insert(std::int32_t index, const Vector3& p);
    void insert(std::int32_t index, const Vector2& p) { insert(index, Vector3{p.u, p.v, 0.0f}); }
    // The lowest index whose point lies within the tolerance of `p` on every axis (inclusive:
    // a point exactly 0.0001 away matches), or -1. `points` is the array the hash was built on.
    std::int32_t find(std::span<const Vector3> points, const Vector3& p) const;
    std::int32_t find(std::span<const Vector2> points, const Vector2& p) const;

    std::size_t size() const { return next_.size(); }

  private:
    template <class Point, class Within>
    std::int32_t findIn(std::span<const Point> points, const Vector3& p, Within within) const;
    void reset(std::size_t expected);
    std::uint64_t cellKey(std::int64_t x, std::int64_t y, std::int64_t z) const;
    std::int64_t cellOf(float value) const;

    float tolerance_;
    double inverseCell_ = 1.0 / (8.0 * 0.0001);
    std::unordered_map<std::uint64_t, std::int32_t> heads_;
    std::vector<std::int32_t> next_;
};

} // namespace brontle
