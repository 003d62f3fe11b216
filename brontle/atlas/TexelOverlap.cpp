#include "brontle/atlas/Atlas.h"
#include "brontle/atlas/PolygonTriangulation.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <vector>

namespace brontle::atlas {

// Rasterises every polygon, cut into triangles by its outline (triangulatePolygon), at texel
// centres (x + 0.5, height - row - 0.5 in texels, v upwards) with an inclusive edge test, so a
// centre on a shared edge belongs to both polygons, and counts texels reached by two different
// charts once each.
std::int64_t countOverlappingTexels(const MeshView& mesh, const Result& result, int width,
                                    int height) {
    assert(result.cornerTexCoord.size() == mesh.cornerVertex.size());
    if (width <= 0 || height <= 0) {
        return 0;
    }
    std::vector<std::int32_t> texelChart(static_cast<std::size_t>(width) * height, -1);
    std::vector<std::uint8_t> counted(texelChart.size(), 0);
    std::int64_t overlaps = 0;
    std::vector<Vec2d> outline;
    std::vector<std::array<int, 3>> triangles;
    const std::size_t polygonCount = mesh.polygonStart.size() - 1;
    for (std::size_t p = 0; p < polygonCount; ++p) {
        const int chart = result.polygonChart[p];
        const int begin = mesh.polygonStart[p];
        const int end = mesh.polygonStart[p + 1];
        outline.clear();
        for (int c = begin; c < end; ++c) {
            const Vector2 t = result.texcoords[result.cornerTexCoord[c]];
            outline.push_back(
                {static_cast<double>(t.u) * width, static_cast<double>(t.v) * height});
        }
        triangles.clear();
        triangulatePolygon(outline, 0, triangles);
        for (const auto& tri : triangles) {
            const std::array<double, 2> a{outline[tri[0]].x, outline[tri[0]].y};
            const std::array<double, 2> b{outline[tri[1]].x, outline[tri[1]].y};
            const std::array<double, 2> d{outline[tri[2]].x, outline[tri[2]].y};
            const double area = (b[0] - a[0]) * (d[1] - a[1]) - (b[1] - a[1]) * (d[0] - a[0]);
            if (area == 0.0) {
                continue;
            }
            const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a[0], b[0], d[0]}))));
            const int x1 = std::min(width - 1, static_cast<int>(std::max({a[0], b[0], d[0]})));
            const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a[1], b[1], d[1]}))));
            const int y1 = std::min(height - 1, static_cast<int>(std::max({a[1], b[1], d[1]})));
            const double sign = area > 0.0 ? 1.0 : -1.0;
            auto edge = [&](const std::array<double, 2>& p0, const std::array<double, 2>& p1,
                            double x, double y) {
                return sign * ((p1[0] - p0[0]) * (y - p0[1]) - (p1[1] - p0[1]) * (x - p0[0]));
            };
            for (int y = y0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x) {
                    const double cx = x + 0.5;
                    const double cy = y + 0.5;
                    if (edge(a, b, cx, cy) < 0.0 || edge(b, d, cx, cy) < 0.0 ||
                        edge(d, a, cx, cy) < 0.0) {
                        continue;
                    }
                    const std::size_t index = static_cast<std::size_t>(height - 1 - y) * width + x;
                    if (texelChart[index] < 0) {
                        texelChart[index] = chart;
                    } else if (texelChart[index] != chart && !counted[index]) {
                        counted[index] = 1;
                        ++overlaps;
                    }
                }
            }
        }
    }
    return overlaps;
}

} // namespace brontle::atlas
