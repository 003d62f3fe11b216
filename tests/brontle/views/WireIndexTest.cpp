// The wire index buffer: each edge once however many polygons share it, lower vertex first, and
// the OpenGL view draws exactly that buffer.
#include "OffscreenGL.h"
#include "ViewsFixtures.h"

#include "brontle/model/Frame.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/viewmath/MeshEdges.h"
#include "brontle/views/Editport.h"
#include "brontle/views/EditportRenderer.h"

#include <QOpenGLFramebufferObject>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

using namespace brontle;
using namespace views_fixtures;

namespace {

// The undirected edges of a shape's polygons, each as (lower, higher) vertex.
std::set<std::pair<std::uint32_t, std::uint32_t>> polygonEdges(const Shape& shape) {
    std::set<std::pair<std::uint32_t, std::uint32_t>> edges;
    const auto& start = shape.polygonStart();
    const auto& cv = shape.cornerVertex();
    for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
        for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
            const auto a = static_cast<std::uint32_t>(cv[k]);
            const auto b = static_cast<std::uint32_t>(cv[k + 1 < start[p + 1] ? k + 1 : start[p]]);
            edges.insert({std::min(a, b), std::max(a, b)});
        }
    }
    return edges;
}

} // namespace

TEST(WireIndexTest, ATwoByTwoGridGivesTwelveEdgesEachOnceWhateverTheWinding) {
    ShapePtr grid = quadGrid(2, 2);
    const std::vector<std::uint32_t> pairs = wireIndexPairs(MeshEdges(meshArrays(*grid)));
    // 16 polygon sides, 4 of them shared by two quads: 12 edges, 24 indices.
    ASSERT_EQ(pairs.size(), 24u);
    std::set<std::pair<std::uint32_t, std::uint32_t>> seen;
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        EXPECT_LT(pairs[i], pairs[i + 1]) << "pair " << i / 2;
        EXPECT_TRUE(seen.insert({pairs[i], pairs[i + 1]}).second)
            << "edge " << pairs[i] << "-" << pairs[i + 1] << " listed twice";
    }
    EXPECT_EQ(seen, polygonEdges(*grid));
    // The inner cross: both halves of the middle row and column, once each.
    const auto centre = static_cast<std::uint32_t>(gridVertex(2, 1, 1));
    for (int v : {gridVertex(2, 0, 1), gridVertex(2, 1, 0)}) {
        EXPECT_EQ(seen.count({static_cast<std::uint32_t>(v), centre}), 1u);
    }
    for (int v : {gridVertex(2, 2, 1), gridVertex(2, 1, 2)}) {
        EXPECT_EQ(seen.count({centre, static_cast<std::uint32_t>(v)}), 1u);
    }
    // Two triangles sharing edge 1-2 with opposite winding; the second repeats its corner 3,
    // which makes a zero-length side and no edge.
    ShapePtr twoTriangles = testing_shapes::shapeFrom(
        Shape::create(), {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {2, 1, 3, 3}});
    const std::vector<std::uint32_t> twoPairs =
        wireIndexPairs(MeshEdges(meshArrays(*twoTriangles)));
    EXPECT_EQ(twoPairs, (std::vector<std::uint32_t>{0, 1, 0, 2, 1, 2, 1, 3, 2, 3}));
    EXPECT_TRUE(wireIndexPairs(MeshEdges(meshArrays(*Shape::create()))).empty());
}

TEST(WireIndexTest, TheViewDrawsEachSharedEdgeOnce) {
    if (!Editport::openGLAvailable()) {
        GTEST_SKIP() << "no OpenGL 3.3 context on this platform";
    }
    OffscreenGL gl;
    ASSERT_TRUE(gl.start(64, QOpenGLFramebufferObject::NoAttachment));
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    FramePtr root = scene->CreateFrame(nullptr);
    ShapePtr grid = quadGrid(2, 2, 0.5f, scene->CreateShape());
    grid->SetDisplayMode(kWireframeMode);
    root->AddShape(grid);
    EditportRenderer renderer;
    ASSERT_TRUE(renderer.initialize());
    EXPECT_EQ(renderer.wireIndexCount(*grid), -1);
    EditportFrame frame;
    frame.flat = true;
    frame.view = unitSquareView(64);
    frame.items = collectSceneItems(root);
    frame.wireColour = {0, 0, 0, 1};
    frame.background = 0xffffffffu;
    renderer.render(frame, 64, 64);
    EXPECT_EQ(renderer.wireIndexCount(*grid), 24);
    // The middle wire row lies on the pixel edge at 32: one of the rows beside it is wire across.
    const QImage image = gl.image();
    int most = 0;
    for (int y : {31, 32}) {
        int black = 0;
        for (int x = 2; x < 62; ++x) {
            black += qGray(image.pixel(x, y)) < 64 ? 1 : 0;
        }
        most = std::max(most, black);
    }
    EXPECT_GT(most, 50);
    renderer.release();
}
