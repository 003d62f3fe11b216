#pragma once
// Find-or-add of points within a per-axis tolerance, with the host's answer: the lowest index
// whose point lies within the tolerance of the query on every axis (|q - p| <= tolerance, the
// difference taken in single precision, boundary inclusive), or a new point at the end.
//
// The host's own tolerance look-up chains buckets through a node-based map; the layout builder
// asks about a million of these questions, so this one keeps everything in flat arrays: cells
// at least eight tolerances wide over x and y (the layouts are flat, so z is only compared, never
// bucketed), a chain of indices per cell, and the cells' heads in a dense array over the region
// where the caller expects its points (neighbouring queries then touch neighbouring memory),
// with an open-addressing table for cells outside it.
// Points are never moved or removed, which is what makes "the lowest index" stable over time.

#include "brontle/core/Records.h"

#include <cstdint>
#include <span>
#include <vector>

namespace peelwise::modUV {

class ToleranceGrid {
  public:
    explicit ToleranceGrid(float tolerance = 0.0001f);

    void reserve(std::size_t points);
    // Cells inside [minX, maxX] x [minY, maxY] get dense heads, sized for about one expected
    // point per cell (never narrower than eight tolerances); call before the first add. A region
    // that would still need far more cells than points (a long thin one) keeps the table only.
    // Points outside the region still work, through the table.
    void setDenseRegion(float minX, float minY, float maxX, float maxY, std::size_t expectedPoints);
    // Appends `p` without looking; returns its index (the previous size()).
    std::int32_t add(const brontle::Vector3& p);
    // The lowest index within the tolerance of `p`, or -1.
    std::int32_t find(const brontle::Vector3& p) const;
    // find(p), or add(p) when nothing is there.
    std::int32_t findOrAdd(const brontle::Vector3& p);

    std::int32_t size() const { return static_cast<std::int32_t>(points_.size()); }
    const std::vector<brontle::Vector3>& points() const { return points_; }

  private:
    struct Slot {
        std::uint64_t key = 0;
        std::int32_t head = -1; // -1: empty slot
    };
    std::int64_t cellOf(float value) const;
    static std::uint64_t keyOf(std::int64_t cx, std::int64_t cy);
    std::size_t slotOf(std::uint64_t key) const;
    void grow();
    // The head of cell (cx, cy): -1 when empty. `create` makes room for a new head.
    std::int32_t head(std::int64_t cx, std::int64_t cy) const;
    std::int32_t& headSlot(std::int64_t cx, std::int64_t cy);

    float tolerance_;
    double inverseCell_;
    std::vector<brontle::Vector3> points_;
    std::vector<std::int32_t> next_; // per point: the next (lower) index in its cell, or -1
    std::vector<Slot> slots_;        // power-of-two size, at most half full
    std::size_t used_ = 0;
    int shift_ = 64;
    std::int64_t denseX0_ = 0, denseY0_ = 0, denseWidth_ = 0, denseHeight_ = 0;
    std::vector<std::int32_t> dense_; // denseWidth_ x denseHeight_ heads, row by row
};

} // namespace peelwise::modUV
