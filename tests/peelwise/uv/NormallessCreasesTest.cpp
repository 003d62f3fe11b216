// Shapes read from files without normals get normals split at sharp edges only
// (SharpEdgeNormals.h, what the host's mesh reader assigns); the crease edges found on them are
// the shape's real hard edges, and those seams cut a box into its faces.
#include "support/ModelBuilders.h"

#include "peelwise/uv/CreaseEdgesToSubSelection.h"
#include "peelwise/uv/FindCreaseEdges.h"

#include "brontle/atlas/Atlas.h"
#include "brontle/model/SharpEdgeNormals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <set>

using namespace brontle;
using namespace testing_shapes;
using peelwise::modUV::CreaseEdge;
using peelwise::modUV::CreaseEdgesToSubSelection;
using peelwise::modUV::FindCreaseEdges;

namespace {

// The shape with every normal replaced as the mesh reader does for a file without normals.
ShapePtr withoutFileNormals(const ShapePtr& shape) {
    ShapeArrays a;
    a.vertices = shape->vertices();
    a.normals = shape->normals();
    a.texcoords = shape->texcoords();
    a.polygonStart = shape->polygonStart();
    a.cornerVertex = shape->cornerVertex();
    a.cornerNormal = shape->cornerNormal();
    a.cornerTexCoord = shape->cornerTexCoord();
    assignSharpEdgeNormals(a, std::vector<char>(shape->GetPolygonCount(), 1));
    ShapePtr out = Shape::create();
    out->assignArrays(std::move(a));
    return out;
}

// The undirected edges among the crease records, as sorted position pairs.
std::set<std::pair<std::array<float, 3>, std::array<float, 3>>>
undirected(const std::vector<CreaseEdge>& creases) {
    std::set<std::pair<std::array<float, 3>, std::array<float, 3>>> edges;
    for (const CreaseEdge& e : creases) {
        std::array<float, 3> a{e.start.x, e.start.y, e.start.z};
        std::array<float, 3> b{e.end.x, e.end.y, e.end.z};
        edges.insert(a < b ? std::pair{a, b} : std::pair{b, a});
    }
    return edges;
}

// A latitude-longitude sphere of `rings` x `segments` quads with triangle fans at the poles.
ShapePtr sphere(int rings, int segments) {
    std::vector<Vector3> points{{0, 0, 1}};
    for (int r = 1; r < rings; ++r) {
        const double theta = std::numbers::pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double phi = 2 * std::numbers::pi * s / segments;
            points.push_back({float(std::sin(theta) * std::cos(phi)),
                              float(std::sin(theta) * std::sin(phi)), float(std::cos(theta))});
        }
    }
    points.push_back({0, 0, -1});
    const int south = static_cast<int>(points.size()) - 1;
    auto at = [&](int r, int s) { return 1 + (r - 1) * segments + (s % segments); };
    std::vector<std::vector<std::int32_t>> polygons;
    for (int s = 0; s < segments; ++s) {
        polygons.push_back({0, at(1, s), at(1, s + 1)});
        polygons.push_back({south, at(rings - 1, s + 1), at(rings - 1, s)});
    }
    for (int r = 1; r + 1 < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            polygons.push_back({at(r, s), at(r + 1, s), at(r + 1, s + 1), at(r, s + 1)});
        }
    }
    return shapeFrom(Shape::create(), points, polygons);
}

std::vector<CreaseEdge> creasesOf(Shape& shape) {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    std::vector<CreaseEdge> creases;
    std::int32_t count = 0;
    FindCreaseEdges(*scene, shape, creases, count);
    EXPECT_EQ(count, static_cast<std::int32_t>(creases.size()));
    return creases;
}

} // namespace

TEST(NormallessCreases, CubeWithAndWithoutFileNormalsHasTwelveCreasesAndSixCharts) {
    for (const bool fileNormals : {true, false}) {
        SCOPED_TRACE(fileNormals ? "normals in the file" : "no normals in the file");
        ShapePtr cube = fileNormals ? flatShadedCube() : withoutFileNormals(flatShadedCube());
        // Without file normals, every corner gets its face's normal: 6 distinct values.
        EXPECT_EQ(cube->normals().size(), 6u);
        const std::vector<CreaseEdge> creases = creasesOf(*cube);
        EXPECT_EQ(creases.size(), 24u) << "each of the 12 edges from both faces";
        EXPECT_EQ(undirected(creases).size(), 12u);

        std::vector<std::int32_t> polygons, corners;
        std::int32_t n = -1;
        CreaseEdgesToSubSelection(*cube, creases, static_cast<std::int32_t>(creases.size()),
                                  polygons, corners, n);
        ASSERT_EQ(n, 24);
        std::vector<SubSelectionEntry> seams;
        for (std::int32_t i = 0; i < n; ++i) {
            seams.push_back({polygons[i], corners[i], {0, 0, 0, 0}});
        }
        const atlas::MeshView mesh{cube->vertices(), cube->polygonStart(), cube->cornerVertex(),
                                   seams};
        const atlas::Result r = atlas::generate(mesh, atlas::Options{});
        EXPECT_EQ(r.chartCount, 6);
        EXPECT_NEAR(r.stretchL2, 1.0, 1e-3);
    }
}

TEST(NormallessCreases, FinelyTessellatedSphereWithoutFileNormalsHasNoCrease) {
    for (const int rings : {8, 48}) {
        ShapePtr ball = withoutFileNormals(sphere(rings, 2 * rings));
        // One normal per vertex, as if smoothed through.
        EXPECT_EQ(static_cast<int>(ball->normals().size()), ball->GetVertexCount()) << rings;
        EXPECT_TRUE(creasesOf(*ball).empty()) << rings << " rings";
    }
    // A coarse one, 4 x 6 facets 45 degrees and more apart, is all creases.
    ShapePtr coarse = withoutFileNormals(sphere(4, 6));
    EXPECT_FALSE(creasesOf(*coarse).empty());
}
