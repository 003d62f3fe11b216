#include "brontle/model/PointHash.h"

#include <cmath>

namespace brontle {

std::int64_t PointHash::cellOf(float value) const {
    // Non-finite coordinates all land in one far cell; they never match anything anyway.
    if (!std::isfinite(value)) {
        return INT64_MIN / 4;
    }
    return static_cast<std::int64_t>(std::floor(static_cast<double>(value) * inverseCell_));
}

std::uint64_t PointHash::cellKey(std::int64_t x, std::int64_t y, std::int64_t z) const {
    auto mix = [](std::uint64_t h, std::uint64_t v) {
        h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        return h;
    };
    return mix(mix(mix(0, static_cast<std::uint64_t>(x)), static_cast<std::uint64_t>(y)),
               static_cast<std::uint64_t>(z));
}

void PointHash::reset(std::size_t expected) {
    inverseCell_ = 1.0 / (8.0 * static_cast<double>(tolerance_));
    heads_.clear();
    heads_.reserve(expected);
    next_.clear();
    next_.reserve(expected);
}

void PointHash::rebuild(std::span<const Vector3> points) {
    reset(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        insert(static_cast<std::int32_t>(i), points[i]);
    }
}

void PointHash::rebuild(std::span<const Vector2> points) {
    reset(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        insert(static_cast<std::int32_t>(i), points[i]);
    }
}

void PointHash::insert(std::int32_t index, const Vector3& p) {
    const std::uint64_t key = cellKey(cellOf(p.x), cellOf(p.y), cellOf(p.z));
    if (next_.size() <= static_cast<std::size_t>(index)) {
        next_.resize(static_cast<std::size_t>(index) + 1, -1);
    }
    auto [it, inserted] = heads_.try_emplace(key, index);
    if (!inserted) {
        next_[index] = it->second;
        it->second = index;
    }
}

std::int32_t PointHash::find(std::span<const Vector3> points, const Vector3& p) const {
    const float t = tolerance_;
    return findIn(points, p, [t, &p](const Vector3& q) {
        return std::fabs(q.x - p.x) <= t && std::fabs(q.y - p.y) <= t && std::fabs(q.z - p.z) <= t;
    });
}

std::int32_t PointHash::find(std::span<const Vector2> points, const Vector2& p) const {
    const float t = tolerance_;
    return findIn(points, Vector3{p.u, p.v, 0.0f}, [t, &p](const Vector2& q) {
        return std::fabs(q.u - p.u) <= t && std::fabs(q.v - p.v) <= t;
    });
}

template <class Point, class Within>
std::int32_t PointHash::findIn(std::span<const Point> points, const Vector3& p,
                               Within within) const {
    const float t = tolerance_;
    const std::int64_t x0 = cellOf(p.x - t), x1 = cellOf(p.x + t);
    const std::int64_t y0 = cellOf(p.y - t), y1 = cellOf(p.y + t);
    const std::int64_t z0 = cellOf(p.z - t), z1 = cellOf(p.z + t);
    std::int32_t best = -1;
    for (std::int64_t x = x0; x <= x1; ++x) {
        for (std::int64_t y = y0; y <= y1; ++y) {
            for (std::int64_t z = z0; z <= z1; ++z) {
                auto it = heads_.find(cellKey(x, y, z));
                if (it == heads_.end()) {
                    continue;
                }
                for (std::int32_t i = it->second; i >= 0; i = next_[i]) {
                    if ((best < 0 || i < best) && within(points[i])) {
                        best = i;
                    }
                }
            }
        }
    }
    return best;
}

} // namespace brontle
