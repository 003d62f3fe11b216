// Copy-on-write, one writer at a time: a shape copied with AppendShape shares every array with
// its source, and each operation that writes an array must give the writer its own copy first.
// A writer that wrote into the shared array would change the source (a history state, the
// user's shape) as well.
#include "support/ModelBuilders.h"

#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace brontle;

// Every array a shape holds, compared with ==.
struct Arrays {
    std::vector<Vector3> vertices, normals;
    std::vector<Vector2> texcoords;
    std::vector<std::int32_t> polygonStart, cornerVertex, cornerNormal, cornerTexCoord, polygonTag,
        polygonMaterial;
    std::vector<MaterialPtr> materials;
    friend bool operator==(const Arrays&, const Arrays&) = default;
};

Arrays arraysOf(const Shape& s) {
    return {s.vertices(),        s.normals(),      s.texcoords(),      s.polygonStart(),
            s.cornerVertex(),    s.cornerNormal(), s.cornerTexCoord(), s.polygonTag(),
            s.polygonMaterial(), s.materials()};
}

// Two quads with their own texture coordinates, tags and two materials: every array filled.
ShapePtr filledShape() {
    ShapePtr shape = testing_shapes::quadStrip(2);
    ShapeArrays a;
    a.vertices = shape->vertices();
    a.normals = {{0, 0, 1}, {0, 0, -1}};
    for (const Vector3& p : a.vertices) {
        a.texcoords.push_back({p.x / 2, p.y});
    }
    a.polygonStart = shape->polygonStart();
    a.cornerVertex = shape->cornerVertex();
    a.cornerNormal = std::vector<std::int32_t>(a.cornerVertex.size(), 0);
    a.cornerTexCoord = a.cornerVertex;
    a.polygonTag = {1, -2};
    a.polygonMaterial = {0, 1};
    a.materials = {Material::create(), Material::create()};
    shape->assignArrays(std::move(a));
    return shape;
}

struct Writer {
    std::string name;
    std::function<void(Shape&)> write;
};

TEST(CopyOnWrite, EveryWriterDetachesTheArraysItWrites) {
    const MaterialPtr other = Material::create();
    const std::vector<std::int32_t> first = {0};
    const std::vector<Writer> writers = {
        {"SetVertex",
         [](Shape& s) {
             s.SetVertex(1, {7, 7, 7});
         }},
        {"SetVertices",
         [](Shape& s) {
             s.SetVertices(std::vector<Vector3>(s.vertices().size(), {5, 5, 5}));
         }},
        {"AddVertex",
         [](Shape& s) {
             s.AddVertex({9, 9, 9});
         }},
        {"SetTextureCoordinates",
         [](Shape& s) {
             s.SetTextureCoordinates(std::vector<Vector2>(s.texcoords().size(), {0.5f, 0.5f}));
         }},
        {"AddTextureCoordinate",
         [](Shape& s) {
             s.AddTextureCoordinate({3, 3});
         }},
        {"Translate",
         [](Shape& s) {
             s.Translate({1, 2, 3});
         }},
        {"Scale",
         [](Shape& s) {
             s.Scale({2, 3, 4});
         }},
        {"SetMaterial", [&](Shape& s) { s.SetMaterial(other); }},
        {"AddPolygon", [](Shape& s) { s.AddPolygon(); }},
        {"DeletePolygons", [&](Shape& s) { s.DeletePolygons(first); }},
        {"SetSmoothingAngle", [](Shape& s) { s.SetSmoothingAngle(180.0f); }},
        {"Polygon::SetCorner", [](Shape& s) { s.GetPolygon(0).SetCorner(0, 5, 1, 5); }},
        {"Polygon::SetCornerData",
         [](Shape& s) {
             s.GetPolygon(0).SetCornerData(0, {8, 8, 8}, {1, 0, 0}, {0.9f, 0.9f});
         }},
        {"Polygon::SetCornerTexCoordIndex",
         [](Shape& s) { s.GetPolygon(0).SetCornerTexCoordIndex(0, 5); }},
        {"Polygon::AddCorner",
         [](Shape& s) {
             s.GetPolygon(1).AddCorner({4, 4, 4}, {0, 1, 0}, {0.7f, 0.7f});
         }},
        {"Polygon::SetCornerUV",
         [](Shape& s) {
             s.GetPolygon(0).SetCornerUV(0, {0.3f, 0.8f});
         }},
        {"Polygon::SetTag", [](Shape& s) { s.GetPolygon(1).SetTag(42); }},
        {"Polygon::SetMaterial", [&](Shape& s) { s.GetPolygon(0).SetMaterial(other); }},
    };
    for (const Writer& writer : writers) {
        SCOPED_TRACE(writer.name);
        const ShapePtr source = filledShape();
        const Arrays before = arraysOf(*source);
        const ShapePtr copy = Shape::create();
        copy->AppendShape(*source);
        ASSERT_TRUE(copy->sharesArraysWith(*source));
        writer.write(*copy);
        EXPECT_NE(arraysOf(*copy), before) << "the writer changed its shape";
        EXPECT_EQ(arraysOf(*source), before) << "the source kept every array";
        // And the other way round: the source writing leaves the copy alone.
        const ShapePtr second = Shape::create();
        second->AppendShape(*source);
        writer.write(*source);
        EXPECT_EQ(arraysOf(*second), before) << "the copy kept every array";
    }
}

} // namespace
