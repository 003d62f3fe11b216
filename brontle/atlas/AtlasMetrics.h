#pragma once
// Quality figures of a finished atlas, measured the same way for every mesh so that they compare
// across meshes and with other unwrappers: the layout is judged on the triangles a renderer
// draws (every polygon fanned from its first corner), with one texture scale for the whole mesh.

#include "brontle/atlas/Atlas.h"

#include <cstdint>
#include <span>

namespace brontle::atlas {

struct LayoutMetrics {
    // sqrt(sum L2^2 * A3d / sum A3d) over the triangles with non-zero 3D area, where L2 is the
    // L2 stretch (Sander et al.) of the map from texture space to the surface, the texture
    // coordinates first scaled by one factor so that their total area equals the 3D area.
    // A triangle collapsed to nothing in the texture has infinite stretch.
    double stretchL2 = 1.0;
    // Per triangle, r = (its share of the texture area) / (its share of the 3D area), taken as
    // max(r, 1/r); the 99th percentile over triangles (each counts once, whatever its area) and
    // the largest value.
    double areaRatioP99 = 1.0;
    double areaRatioMax = 1.0;
    // Triangles whose texture orientation is opposite to the orientation of their chart (the
    // sign of the chart's total signed texture area), or collapsed to zero texture area.
    std::int64_t flipped = 0;
    std::int64_t triangles = 0; // triangles measured (non-zero 3D area)
};

// Measures the texture coordinates `texcoords` (indexed per corner by cornerTexCoord) of `mesh`,
// the charts given per polygon by `polygonChart` (chartCount charts). Linear in the corners
// apart from the percentile (a selection, also linear on average).
LayoutMetrics measureLayout(const MeshView& mesh, std::span<const Vector2> texcoords,
                            std::span<const std::int32_t> cornerTexCoord,
                            std::span<const std::int32_t> polygonChart, int chartCount);

} // namespace brontle::atlas
