#pragma once
// A coarse stand-in for a big triangle mesh, drawn by the 3D preview while the camera moves
// (the level of detail of the preview), without Qt.
//
// Vertex clustering on a uniform grid: space is cut into cubic cells, sized from the surface
// area so that the mesh keeps about the wanted number of triangles. The corners that fall in one
// cell and belong to one texture-coordinate island (the polygons joined through shared texture
// coordinate indices) become one vertex, with the mean of their texture coordinates and of their
// normals; where an island meets itself at a seam (a texture wrapped round a cylinder) the
// corners of the two sides, a tile apart in the texture, stay two vertices. So a vertex never
// mixes texture coordinates from both sides of a seam and the texture does not smear across it.
// Every vertex of a cell stands at the mean of the cell's vertices: the sides of a seam meet
// without a crack. Each fan triangle of the input becomes the triangle of its corners' vertices;
// those with two corners in one cell collapse and are dropped, and so are repeats of a triangle
// already kept (same vertices, same winding). Winding and materials are kept, so back faces and
// material ranges work as on the full mesh.
//
// Time and memory are linear in the vertices and corners: a pass over the vertices for the
// bounding box, one over a sample of the polygons for the areas, one (rarely two) over the
// vertices to find their cells (an open-addressing hash table of cell keys), one over the
// polygons to join the islands, and one over the corners that makes the vertices (chained from
// their cell) and the triangles.

#include "brontle/core/Records.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace brontle {

// The preview draws a shape's reduced mesh while its camera moves when the shape has at least
// this many triangles; smaller shapes are drawn in full every frame. A software OpenGL draws
// about 10 million triangles a second on one core here, so below this a whole frame stays
// near or under the 33 ms budget.
inline constexpr std::int64_t kReducedMeshMinTriangles = 300'000;
// About how many triangles the reduced mesh keeps.
inline constexpr std::int64_t kReducedMeshTriangles = 120'000;

// The arrays of one shape (see Shape's flat arrays). Normals and texture coordinates may be
// missing (empty, corners with index -1, or a zero normal): the corner then has the polygon's
// own normal, and no texture coordinate (an island of its own, coordinates 0).
struct ReductionInput {
    std::span<const Vector3> vertices;
    std::span<const Vector3> normals;
    std::span<const Vector2> texcoords;
    std::span<const std::int32_t> polygonStart;
    std::span<const std::int32_t> cornerVertex;
    std::span<const std::int32_t> cornerNormal;
    std::span<const std::int32_t> cornerTexCoord;
    std::span<const std::int32_t> polygonMaterial;
};

struct ReducedMesh {
    // One entry per vertex. Normals have unit length.
    std::vector<Vector3> positions;
    std::vector<Vector3> normals;
    std::vector<Vector2> texcoords;
    // Three vertex indices per triangle, the triangles grouped by material in ascending order.
    std::vector<std::uint32_t> indices;
    struct Range {
        std::int32_t material = 0;
        std::int32_t firstIndex = 0;
        std::int32_t indexCount = 0;
    };
    std::vector<Range> ranges;
    // The grid: cell (i, j, k) is the box from origin + (i, j, k) * cellSize to
    // origin + (i + 1, j + 1, k + 1) * cellSize; vertexCell holds the cell each vertex was made
    // in (the vertex lies inside that box).
    Vector3 origin{};
    double cellSize = 0.0;
    std::vector<std::array<std::int32_t, 3>> vertexCell;

    std::int64_t triangleCount() const { return static_cast<std::int64_t>(indices.size() / 3); }
    // Bytes held by the arrays (the preview counts its reduced meshes against its memory).
    std::size_t bytes() const;
};

// The fan triangles of the polygons (polygons with fewer than 3 corners have none).
std::int64_t fanTriangleCount(std::span<const std::int32_t> polygonStart);

// Reduces the mesh to about `targetTriangles` triangles (at least 1). Vertices with a position
// that is not finite are left out with every triangle that uses them, and so are corners that
// name no vertex. A mesh with no more triangles than the target is cut on the finest grid (about
// a million cells along its longest side): it comes back whole but for vertices closer than
// that and the triangles they collapse.
ReducedMesh reduceMesh(const ReductionInput& input, std::int64_t targetTriangles);

} // namespace brontle
