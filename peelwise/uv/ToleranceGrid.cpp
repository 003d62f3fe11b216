#include "peelwise/uv/ToleranceGrid.h"

#include <algorithm>
#include <cmath>

namespace peelwise::modUV {

using brontle::Vector3;

ToleranceGrid::ToleranceGrid(float tolerance)
    : tolerance_(tolerance), inverseCell_(1.0 / (8.0 * static_cast<double>(tolerance))) {
    slots_.resize(16);
    shift_ = 64 - 4;
}

void ToleranceGrid::reserve(std::size_t points) {
    points_.reserve(points);
    next_.reserve(points);
}

void ToleranceGrid::setDenseRegion(float minX, float minY, float maxX, float maxY,
                                   std::size_t expectedPoints) {
    if (!(minX <= maxX) || !(minY <= maxY) || !points_.empty()) {
        return; // empty or not finite: everything goes through the table
    }
    // Any cell at least as wide as the tolerance finds every neighbour (the query visits each
    // cell its tolerance box touches); wider cells for sparse points keep the array small.
    const double width = double(maxX) - double(minX), height = double(maxY) - double(minY);
    const double points = double(std::max<std::size_t>(expectedPoints, 1));
    const double cell = std::max(8.0 * double(tolerance_), std::sqrt(width * height / points));
    inverseCell_ = 1.0 / cell;
    const std::int64_t x0 = cellOf(minX), x1 = cellOf(maxX);
    const std::int64_t y0 = cellOf(minY), y1 = cellOf(maxY);
    const double cells = (double(x1) - double(x0) + 1.0) * (double(y1) - double(y0) + 1.0);
    if (!(cells <= 4.0 * points + 65536.0)) {
        inverseCell_ = 1.0 / (8.0 * double(tolerance_));
        return;
    }
    denseX0_ = x0;
    denseY0_ = y0;
    denseWidth_ = x1 - x0 + 1;
    denseHeight_ = y1 - y0 + 1;
    dense_.assign(static_cast<std::size_t>(denseWidth_ * denseHeight_), -1);
}

std::int64_t ToleranceGrid::cellOf(float value) const {
    // Non-finite coordinates share one far cell; they never match anything (NaN compares false).
    const double scaled = static_cast<double>(value) * inverseCell_;
    if (!(std::fabs(scaled) < 4.0e18)) {
        return INT64_MIN / 2;
    }
    return static_cast<std::int64_t>(std::floor(scaled));
}

std::uint64_t ToleranceGrid::keyOf(std::int64_t cx, std::int64_t cy) {
    // Distinct far cells may share a key; that only adds candidates, which the exact test
    // rejects.
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cx)) << 32) |
           static_cast<std::uint32_t>(cy);
}

std::size_t ToleranceGrid::slotOf(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_);
}

void ToleranceGrid::grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    --shift_;
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.head < 0) {
            continue;
        }
        std::size_t i = slotOf(s.key);
        while (slots_[i].head >= 0) {
            i = (i + 1) & mask;
        }
        slots_[i] = s;
    }
}

std::int32_t ToleranceGrid::head(std::int64_t cx, std::int64_t cy) const {
    const std::int64_t dx = cx - denseX0_, dy = cy - denseY0_;
    if (dx >= 0 && dx < denseWidth_ && dy >= 0 && dy < denseHeight_) {
        return dense_[static_cast<std::size_t>(dy * denseWidth_ + dx)];
    }
    const std::uint64_t key = keyOf(cx, cy);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slotOf(key);
    while (slots_[i].head >= 0 && slots_[i].key != key) {
        i = (i + 1) & mask;
    }
    return slots_[i].head;
}

std::int32_t& ToleranceGrid::headSlot(std::int64_t cx, std::int64_t cy) {
    const std::int64_t dx = cx - denseX0_, dy = cy - denseY0_;
    if (dx >= 0 && dx < denseWidth_ && dy >= 0 && dy < denseHeight_) {
        return dense_[static_cast<std::size_t>(dy * denseWidth_ + dx)];
    }
    if (2 * (used_ + 1) > slots_.size()) {
        grow();
    }
    const std::uint64_t key = keyOf(cx, cy);
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = slotOf(key);
    while (slots_[i].head >= 0 && slots_[i].key != key) {
        i = (i + 1) & mask;
    }
    if (slots_[i].head < 0) {
        slots_[i].key = key;
        ++used_;
    }
    return slots_[i].head;
}

std::int32_t ToleranceGrid::add(const Vector3& p) {
    const auto index = static_cast<std::int32_t>(points_.size());
    points_.push_back(p);
    std::int32_t& first = headSlot(cellOf(p.x), cellOf(p.y));
    next_.push_back(first);
    first = index;
    return index;
}

std::int32_t ToleranceGrid::find(const Vector3& p) const {
    const float t = tolerance_;
    // The cells that the tolerance box around p touches, bounds computed as the host does.
    const std::int64_t x0 = cellOf(p.x - t), x1 = cellOf(p.x + t);
    const std::int64_t y0 = cellOf(p.y - t), y1 = cellOf(p.y + t);
    std::int32_t best = -1;
    for (std::int64_t cx = x0; cx <= x1; ++cx) {
        for (std::int64_t cy = y0; cy <= y1; ++cy) {
            // Chains run from the highest index down, so the last match is the lowest.
            for (std::int32_t j = head(cx, cy); j >= 0; j = next_[j]) {
                const Vector3& q = points_[j];
                if (std::fabs(q.x - p.x) <= t && std::fabs(q.y - p.y) <= t &&
                    std::fabs(q.z - p.z) <= t && (best < 0 || j < best)) {
                    best = j;
                }
            }
        }
    }
    return best;
}

std::int32_t ToleranceGrid::findOrAdd(const Vector3& p) {
    const std::int32_t found = find(p);
    return found >= 0 ? found : add(p);
}

} // namespace peelwise::modUV
