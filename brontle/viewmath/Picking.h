#pragma once
// Screen-space picking on a shape's arrays under one camera, without OpenGL. The shape's points
// are projected once and binned into a uniform grid of screen cells (counting sort), and so are
// its edges and polygons (lazily, on first use); a pick then reads only the cells within the
// pick radius, so it costs about the same on a million corners as on a hundred. Rebuild the
// index whenever the camera or the shape changes.
//
// All positions are screen pixels of the ViewTransform (x right, y down). Distances are
// Euclidean in pixels; a point exactly `radius` away counts as within reach.

#include "brontle/core/Records.h"
#include "brontle/viewmath/ViewTransform.h"

#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

class Shape;

// The arrays picking reads: vertex positions (model space), polygonStart (P + 1 ascending offsets
// into cornerVertex) and cornerVertex (vertex index per corner). Borrowed, not copied: they must
// outlive the PickIndex built on them.
struct MeshArrays {
    std::span<const Vector3> vertices;
    std::span<const std::int32_t> polygonStart;
    std::span<const std::int32_t> cornerVertex;

    std::int32_t polygonCount() const {
        return polygonStart.empty() ? 0 : static_cast<std::int32_t>(polygonStart.size()) - 1;
    }
};
MeshArrays meshArrays(const Shape& shape);

struct PointHit {
    std::int32_t vertex = -1; // -1: nothing within reach
    double distance = 0.0;    // pixels
};

// An edge as the half-edge of one polygon: from corner `corner` to the next (the last corner
// wraps to 0).
struct EdgeHit {
    std::int32_t polygon = -1; // -1: nothing within reach
    std::int32_t corner = -1;
    double distance = 0.0; // pixels
    double depth = 0.0;    // eye depth at the closest point
};

struct PolygonHit {
    std::int32_t polygon = -1; // -1: no polygon under the point
    double depth = 0.0;
};

class PickIndex {
  public:
    PickIndex() = default;
    // Projects every vertex of `mesh` through `view` (whose worldToEye includes the shape's
    // placement). Vertices off the screen (beyond a margin of `margin` pixels) or behind the eye
    // cannot be picked.
    PickIndex(const MeshArrays& mesh, const ViewTransform& view, double margin = 16.0);

    const ViewTransform& view() const { return view_; }
    std::int32_t vertexCount() const { return static_cast<std::int32_t>(sx_.size()); }
    // Screen position of a vertex (valid only when vertexVisible).
    double screenX(std::int32_t v) const { return sx_[v]; }
    double screenY(std::int32_t v) const { return sy_[v]; }
    bool vertexVisible(std::int32_t v) const { return visible_[v] != 0; }

    // The nearest visible vertex within `radius` pixels; ties go to the nearer depth, then the
    // lower index. Vertices used by no polygon are picked too.
    PointHit pickPoint(double x, double y, double radius) const;
    // Visible vertices inside the rectangle spanned by the two corners (either order, edges
    // inclusive), ascending.
    std::vector<std::int32_t> pointsInRect(double x0, double y0, double x1, double y1) const;

    // The nearest polygon edge within `radius`; ties go to the nearer depth, then the lower
    // polygon and corner. With `occlusion`, edges hidden behind a polygon at their closest point
    // are skipped (3D views); without it every edge counts (flat views).
    EdgeHit pickEdge(double x, double y, double radius, bool occlusion) const;

    // The frontmost polygon containing the point (even-odd rule on its projected outline); ties
    // go to the lower index.
    PolygonHit pickPolygon(double x, double y) const;
    // Every polygon containing the point, ascending.
    std::vector<std::int32_t> polygonsAt(double x, double y) const;

    // The polygon a click designates for the picked vertex: the frontmost polygon under (x, y)
    // that has `vertex` as a corner, else the first polygon (lowest index) that uses it, else -1.
    std::int32_t polygonForPoint(double x, double y, std::int32_t vertex) const;

  private:
    struct Grid {
        double cell = 8.0;
        int columns = 0;
        int rows = 0;
        std::vector<std::int32_t> start; // columns * rows + 1 offsets into items
        std::vector<std::int32_t> items;
        std::vector<std::int32_t> wide; // items whose extent covers too many cells
        bool built = false;
    };
    void ensureEdgeGrid() const;
    void ensurePolygonGrid() const;
    // Cells overlapped by a screen box, clamped to the grid; false when it misses the grid.
    bool cellRange(const Grid& g, double x0, double y0, double x1, double y1, int& c0, int& r0,
                   int& c1, int& r1) const;
    // Fills `g` from per-item screen boxes (boxes of invisible items have min > max).
    void binBoxes(Grid& g, const std::vector<float>& boxes, std::size_t count) const;
    bool polygonContains(std::int32_t p, double x, double y, double& depth) const;
    std::int32_t polygonOfCorner(std::int32_t corner) const;

    MeshArrays mesh_;
    ViewTransform view_;
    double margin_ = 16.0;
    std::vector<double> sx_, sy_, depth_;
    std::vector<std::uint8_t> visible_;
    Grid points_;
    mutable Grid edges_;    // items: global corner index (half-edge from that corner)
    mutable Grid polygons_; // items: polygon index
};

} // namespace brontle
