// The built-in shapes: counts, closed and consistently wound surfaces, normals that agree with
// the faces, layouts that are not mirrored.
#include "IoTestSupport.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/Shape.h"

#include <cmath>
#include <map>
#include <set>

using namespace brontle;
using namespace iotest;

namespace {

float dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Every directed edge (a, b) of a closed, consistently wound surface appears once, and (b, a)
// once too. Returns how many directed edges break that.
int unmatchedEdges(const Shape& shape) {
    std::map<std::pair<std::int32_t, std::int32_t>, int> directed;
    const auto& start = shape.polygonStart();
    const auto& cv = shape.cornerVertex();
    for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
        for (std::int32_t c = start[p]; c < start[p + 1]; ++c) {
            const std::int32_t next = c + 1 < start[p + 1] ? c + 1 : start[p];
            ++directed[{cv[c], cv[next]}];
        }
    }
    int bad = 0;
    for (const auto& [edge, count] : directed) {
        auto twin = directed.find({edge.second, edge.first});
        if (count != 1 || twin == directed.end() || twin->second != 1) {
            ++bad;
        }
    }
    return bad;
}

// Invariants every builder promises: each corner's normal within 90 degrees of its polygon's
// face normal (faces wound counter-clockwise from outside), unit normals, texture coordinates
// in [0, 1] with every polygon counter-clockwise in the layout, every vertex used.
void expectWellFormed(Shape& shape) {
    std::vector<bool> used(std::size_t(shape.GetVertexCount()), false);
    for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
        const Polygon polygon = shape.GetPolygon(p);
        const Vector3 face = polygon.GetFaceNormal();
        double area = 0.0;
        const std::int32_t n = polygon.GetCornerCount();
        for (std::int32_t k = 0; k < n; ++k) {
            const Vector3 normal = shape.GetNormal(polygon.GetCornerNormalIndex(k));
            EXPECT_GT(dot(face, normal), 0.0f) << "polygon " << p << " corner " << k;
            EXPECT_NEAR(dot(normal, normal), 1.0f, 1e-5f);
            const Vector2 a = polygon.GetCornerTexCoord(k),
                          b = polygon.GetCornerTexCoord((k + 1) % n);
            area += double(a.u) * b.v - double(b.u) * a.v;
            EXPECT_TRUE(a.u >= 0.0f && a.u <= 1.0f && a.v >= 0.0f && a.v <= 1.0f) << p;
            used[std::size_t(polygon.GetCornerVertex(k))] = true;
        }
        EXPECT_GT(area, 0.0) << "polygon " << p << " is mirrored in the layout";
    }
    EXPECT_EQ(std::count(used.begin(), used.end(), false), 0) << "unused vertices";
}

// The corners' normals after Shape::SetSmoothingAngle(180) on a complete copy.
std::vector<Vector3> smoothedNormals(SceneGraph& scene, const Shape& shape) {
    const ShapePtr copy = scene.CreateShape();
    copy->AppendShape(shape);
    copy->SetSmoothingAngle(180.0f);
    std::vector<Vector3> out;
    for (std::int32_t c = 0; c < copy->cornerCount(); ++c) {
        out.push_back(copy->normals()[copy->cornerNormal()[c]]);
    }
    return out;
}

void expectNormalsAsSmoothed(SceneGraph& scene, const Shape& shape) {
    const std::vector<Vector3> smoothed = smoothedNormals(scene, shape);
    ASSERT_EQ(std::int32_t(smoothed.size()), shape.cornerCount());
    for (std::int32_t c = 0; c < shape.cornerCount(); ++c) {
        const Vector3 n = shape.normals()[shape.cornerNormal()[c]];
        EXPECT_NEAR(n.x, smoothed[c].x, 1e-6f) << c;
        EXPECT_NEAR(n.y, smoothed[c].y, 1e-6f) << c;
        EXPECT_NEAR(n.z, smoothed[c].z, 1e-6f) << c;
    }
}

} // namespace

TEST(SampleShapes, FlatShadedCubeHasSixQuadsOnEightVerticesWithFaceNormals) {
    auto scene = newScene();
    const ShapePtr cube = makeFlatShadedCube(*scene);
    EXPECT_EQ(cube->GetPolygonCount(), 6);
    EXPECT_EQ(cube->cornerCount(), 24);
    EXPECT_EQ(cube->GetVertexCount(), 8);
    EXPECT_EQ(cube->GetNormalCount(), 6);
    EXPECT_EQ(cube->GetBoundingBox(), (BoundingBox{-1, -1, -1, 1, 1, 1}));
    for (std::int32_t p = 0; p < 6; ++p) {
        const Polygon polygon = cube->GetPolygon(p);
        ASSERT_EQ(polygon.GetCornerCount(), 4);
        for (std::int32_t k = 0; k < 4; ++k) {
            EXPECT_EQ(cube->GetNormal(polygon.GetCornerNormalIndex(k)), polygon.GetFaceNormal())
                << p;
        }
    }
    expectWellFormed(*cube);
    EXPECT_EQ(unmatchedEdges(*cube), 0);
}

TEST(SampleShapes, SmoothSphereNormalsAreThoseOfSmoothingEverything) {
    auto scene = newScene();
    for (auto [rings, segments] : {std::pair{2, 3}, {5, 8}, {12, 24}}) {
        SCOPED_TRACE(rings * 100 + segments);
        const ShapePtr sphere = makeSmoothSphere(*scene, rings, segments);
        EXPECT_EQ(sphere->GetPolygonCount(), rings * segments);
        EXPECT_EQ(sphere->GetVertexCount(), (rings - 1) * segments + 2);
        EXPECT_EQ(sphere->GetNormalCount(), sphere->GetVertexCount())
            << "one shared normal per vertex";
        expectNormalsAsSmoothed(*scene, *sphere);
        expectWellFormed(*sphere);
        EXPECT_EQ(unmatchedEdges(*sphere), 0);
        for (const Vector3& v : sphere->vertices()) {
            EXPECT_NEAR(dot(v, v), 1.0f, 1e-5f);
        }
    }
}

TEST(SampleShapes, SampleShapeIsQuadDominantWithHardRimsAndSmoothSides) {
    auto scene = newScene();
    const ShapePtr shape = makeSampleShape(*scene);
    EXPECT_EQ(shape->GetPolygonCount(), 170);
    std::map<std::int32_t, int> sizes;
    for (std::int32_t p = 0; p < shape->GetPolygonCount(); ++p) {
        ++sizes[shape->GetPolygon(p).GetCornerCount()];
    }
    EXPECT_EQ(sizes, (std::map<std::int32_t, int>{{4, 168}, {24, 2}}));
    expectWellFormed(*shape);
    EXPECT_EQ(unmatchedEdges(*shape), 0) << "closed and consistently wound";
    // Distinct normals met at each vertex: 2 on the three rims (24 vertices each), 1 elsewhere.
    std::vector<std::set<std::int32_t>> normalsAt(std::size_t(shape->GetVertexCount()));
    for (std::int32_t c = 0; c < shape->cornerCount(); ++c) {
        normalsAt[std::size_t(shape->cornerVertex()[c])].insert(shape->cornerNormal()[c]);
    }
    std::map<std::size_t, int> histogram;
    for (const auto& s : normalsAt) {
        ++histogram[s.size()];
    }
    EXPECT_EQ(histogram, (std::map<std::size_t, int>{{1, shape->GetVertexCount() - 72}, {2, 72}}));
    EXPECT_EQ(shape->GetBoundingBox(), (BoundingBox{-1, 0, shape->GetBoundingBox().minZ, 1, 2,
                                                    shape->GetBoundingBox().maxZ}));
    EXPECT_NEAR(shape->GetBoundingBox().maxZ, 1.0f, 1e-2f);
}

TEST(SampleShapes, QuadGridTorusAndNoisySphereKeepTheirPromises) {
    auto scene = newScene();
    const ShapePtr grid = makeQuadGrid(*scene, 3, 2);
    EXPECT_EQ(grid->GetPolygonCount(), 6);
    EXPECT_EQ(grid->GetVertexCount(), 12);
    EXPECT_EQ(grid->GetNormalCount(), 1);
    for (std::int32_t c = 0; c < grid->cornerCount(); ++c) {
        const Vector3 p = grid->vertices()[grid->cornerVertex()[c]];
        EXPECT_EQ(grid->texcoords()[grid->cornerTexCoord()[c]], (Vector2{p.x / 3.0f, p.y / 2.0f}));
    }
    expectWellFormed(*grid);

    const ShapePtr torus = makeTorus(*scene, 8, 6);
    EXPECT_EQ(torus->GetPolygonCount(), 48);
    EXPECT_EQ(torus->GetVertexCount(), 48);
    expectWellFormed(*torus);
    EXPECT_EQ(unmatchedEdges(*torus), 0);

    const ShapePtr noisy = makeNoisySphere(*scene, 2000, 7);
    EXPECT_NEAR(noisy->GetPolygonCount(), 2000, 200);
    for (std::int32_t p = 0; p < noisy->GetPolygonCount(); ++p) {
        ASSERT_EQ(noisy->GetPolygon(p).GetCornerCount(), 3);
    }
    expectWellFormed(*noisy);
    EXPECT_EQ(unmatchedEdges(*noisy), 0);
    expectNormalsAsSmoothed(*scene, *noisy);
    float low = 2.0f, high = 0.0f;
    for (const Vector3& v : noisy->vertices()) {
        low = std::min(low, std::sqrt(dot(v, v)));
        high = std::max(high, std::sqrt(dot(v, v)));
    }
    EXPECT_GE(low, 0.95f - 1e-6f);
    EXPECT_LE(high, 1.05f + 1e-6f);
    EXPECT_GT(high - low, 0.05f) << "the radius does vary";
    EXPECT_EQ(makeNoisySphere(*scene, 2000, 7)->vertices(), noisy->vertices())
        << "same seed, same shape";
    EXPECT_NE(makeNoisySphere(*scene, 2000, 8)->vertices(), noisy->vertices());
}

TEST(SampleShapes, TooFewRingsOrSegmentsAreRefused) {
    auto scene = newScene();
    EXPECT_EQ(errorOf([&] { makeSmoothSphere(*scene, 1, 8); }).number(),
              ErrorNumber::HostBadArgument);
    EXPECT_EQ(errorOf([&] { makeTorus(*scene, 3, 2); }).number(), ErrorNumber::HostBadArgument);
    EXPECT_EQ(errorOf([&] { makeQuadGrid(*scene, 0, 4); }).number(), ErrorNumber::HostBadArgument);
}
