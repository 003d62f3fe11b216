#include "LiteralOracles.h"

#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Toolkit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

namespace uv_testing {

using namespace brontle;

ShapePtr literalBuildUVShape(SceneGraph& scene, Shape& atlas,
                             std::span<const std::int32_t> polygonIndices) {
    std::map<std::string, MaterialPtr> table;
    ShapePtr shape = scene.CreateShape();
    for (std::size_t i = 0; i < polygonIndices.size(); ++i) {
        Polygon uvPoly = shape->AddPolygon();
        Polygon a = atlas.GetPolygon(polygonIndices[i]);
        const std::int32_t c = a.GetCornerCount();
        std::vector<Vector3> points;
        for (std::int32_t k = 0; k < c; ++k) {
            const Vector2 t = a.GetCornerTexCoord(k);
            points.push_back({t.u, t.v, 0.0f});
        }
        const Vector3 n = scene.GetToolkit()->PolygonNormal(points);
        const float off = n.z - 1.0f;
        const bool forward = std::fabs(off) <= 0.0001f;
        uvPoly.SetTag(forward ? polygonIndices[i] + 1 : -(polygonIndices[i] + 1));
        for (std::int32_t w = 0; w < c; ++w) {
            const std::int32_t k = forward ? w : c - 1 - w;
            const Vector2 t = a.GetCornerTexCoord(k);
            const float u = t.u - 1.0f;
            const float v = t.v - 1.0f;
            float x = u + 1.0f;
            float y = -v;
            if (x > 1.0001f) {
                x = x - 1.0f;
            }
            if (y < -0.0001f) {
                y = y + 1.0f;
            }
            uvPoly.AddCorner({x, y, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f});
            a.SetCornerUV(k, {u, v});
        }
    }
    for (std::int32_t m = 0; m < atlas.GetMaterialCount(); ++m) {
        MaterialPtr copy = scene.CreateMaterial();
        MaterialPtr source = atlas.GetMaterialByIndex(m);
        copy->SetColorB(source->GetColorB());
        copy->SetColorC(source->GetColorC());
        copy->SetColorA(source->GetColorA());
        copy->SetColorD(source->GetColorD());
        copy->SetMaterialValue(source->GetMaterialValue());
        table.emplace(std::to_string(source->GetMaterialKey()), copy);
    }
    for (std::size_t i = 0; i < polygonIndices.size(); ++i) {
        const std::string key =
            std::to_string(atlas.GetPolygon(polygonIndices[i]).GetMaterial()->GetMaterialKey());
        shape->GetPolygon(static_cast<std::int32_t>(i)).SetMaterial(table.at(key));
    }
    return shape;
}

void literalRebuildUVCorrespondence(Shape& uvShape, Shape& atlas,
                                    std::vector<std::int32_t>& table) {
    table.clear();
    const std::int32_t n = uvShape.GetVertexCount();
    if (n < 1) {
        return;
    }
    table.assign(static_cast<std::size_t>(n), 0);
    for (std::int32_t p = 0; p < uvShape.GetPolygonCount(); ++p) {
        Polygon uvPoly = uvShape.GetPolygon(p);
        const std::int32_t tag = uvPoly.GetTag();
        Polygon a = atlas.GetPolygon(std::abs(tag) - 1);
        const std::int32_t c = uvPoly.GetCornerCount();
        std::int32_t j = 0;
        if (tag > 0) {
            for (std::int32_t k = 0; k < c; ++k, ++j) {
                table[uvPoly.GetCornerVertex(k)] = a.GetCornerTexCoordIndex(j);
            }
        } else {
            for (std::int32_t k = c - 1; k >= 0; --k, ++j) {
                table[uvPoly.GetCornerVertex(k)] = a.GetCornerTexCoordIndex(j);
            }
        }
    }
}

namespace {

SubSelection pointList(SceneGraph& scene, DeviceID device, Shape& uvShape) {
    SubSelection list;
    if (scene.GetSelectedShapeCount(device) < 1) {
        for (std::int32_t i = 0; i < uvShape.GetVertexCount(); ++i) {
            list.add(i);
        }
        return list;
    }
    return scene.GetSelectedShape(device, 0)->GetSelectedVertices(device);
}

} // namespace

void literalTransformUVPoints(SceneGraph& scene, DeviceID device, Shape& uvShape, Shape* atlas,
                              std::vector<std::int32_t>& table, int mode, float amountX,
                              float amountY, bool lockX, bool lockY) {
    const Toolkit& tk = *scene.GetToolkit();
    const Vector3 axis = tk.MakeVector3(0, 0, 1);
    BoundingBox box{1e14f, 1e14f, 0.0f, -1e14f, -1e14f, 0.0f};
    for (const SubSelectionEntry& e : pointList(scene, device, uvShape).entries) {
        const Vector3 p = uvShape.GetVertex(e.index);
        if (p.x < box.minX) {
            box.minX = p.x;
        }
        if (p.y < box.minY) {
            box.minY = p.y;
        }
        if (p.x > box.maxX) {
            box.maxX = p.x;
        }
        if (p.y > box.maxY) {
            box.maxY = p.y;
        }
    }
    const float cx = (box.minX + box.maxX) / 2, cy = (box.minY + box.maxY) / 2,
                cz = (box.minZ + box.maxZ) / 2;
    if (mode == 0 || mode == 2) {
        uvShape.Translate(tk.MakeVector3(-cx, -cy, -cz));
    }
    const SubSelection list = pointList(scene, device, uvShape);
    for (const SubSelectionEntry& e : list.entries) {
        Vector3 p = uvShape.GetVertex(e.index);
        if (mode == 0) {
            if (!lockX) {
                p.x = p.x * amountX;
            }
            if (!lockY) {
                p.y = p.y * amountY;
            }
        } else if (mode == 1) {
            if (!lockX) {
                p.x = p.x + amountX;
            }
            if (!lockY) {
                p.y = p.y + amountY;
            }
        } else {
            const float len = tk.VectorLength(p);
            const float step = amountX / 180.0f;
            p = tk.RotateVector(p, axis, step * 6.283186f);
            p = tk.SetVectorLength(p, len);
        }
        uvShape.SetVertex(e.index, p);
    }
    if (mode == 0 || mode == 2) {
        uvShape.Translate(tk.MakeVector3(cx, cy, cz));
    }
    std::vector<Vector2> tex;
    if (atlas) {
        tex = atlas->GetTextureCoordinates();
    }
    for (const SubSelectionEntry& e : list.entries) {
        Vector3 p = uvShape.GetVertex(e.index);
        if (p.x > 1) {
            p.x = 1;
        }
        if (p.x < 0) {
            p.x = 0;
        }
        if (p.y > 1) {
            p.y = 1;
        }
        if (p.y < 0) {
            p.y = 0;
        }
        uvShape.SetVertex(e.index, p);
        if (atlas) {
            tex[table[e.index]] = {p.x - 1, -p.y};
        }
    }
    if (atlas) {
        atlas->SetTextureCoordinates(tex);
    }
}

void literalWeldUVPoints(Vector3 target, const SubSelection& points, Shape& uvShape,
                         std::vector<Vector3>& positions, Shape& atlas,
                         std::vector<std::int32_t>& table) {
    std::vector<Vector2> tex = atlas.GetTextureCoordinates();
    const float tu = target.x - 1, tv = -target.y;
    for (const SubSelectionEntry& e : points.entries) {
        positions[e.index] = target;
        tex[table[e.index]] = {tu, tv};
    }
    uvShape.SetVertices(positions);
    const std::int32_t w = uvShape.AddVertex(target);
    for (std::int32_t p = 0; p < uvShape.GetPolygonCount(); ++p) {
        Polygon poly = uvShape.GetPolygon(p);
        for (std::int32_t k = 0; k < poly.GetCornerCount(); ++k) {
            const Vector3 q = uvShape.GetVertex(poly.GetCornerVertex(k));
            const float dx = std::fabs(q.x - target.x), dy = std::fabs(q.y - target.y);
            if (dx < 0.0001f && dy < 0.0001f) {
                poly.SetCorner(k, w, poly.GetCornerNormalIndex(k), poly.GetCornerTexCoordIndex(k));
            }
        }
    }
    atlas.SetTextureCoordinates(tex);
    const std::int32_t t = atlas.AddTextureCoordinate({tu, tv});
    for (std::int32_t p = 0; p < atlas.GetPolygonCount(); ++p) {
        Polygon poly = atlas.GetPolygon(p);
        for (std::int32_t k = 0; k < poly.GetCornerCount(); ++k) {
            const Vector2 uv = poly.GetCornerTexCoord(k);
            const float du = std::fabs(uv.u - tu), dv = std::fabs(uv.v - tv);
            if (du < 0.0001f && dv < 0.0001f) {
                poly.SetCornerTexCoordIndex(k, t);
            }
        }
    }
}

void expectSameShape(const Shape& actual, const Shape& expected) {
    EXPECT_EQ(actual.vertices(), expected.vertices());
    EXPECT_EQ(actual.normals(), expected.normals());
    EXPECT_EQ(actual.texcoords(), expected.texcoords());
    EXPECT_EQ(actual.polygonStart(), expected.polygonStart());
    EXPECT_EQ(actual.cornerVertex(), expected.cornerVertex());
    EXPECT_EQ(actual.cornerNormal(), expected.cornerNormal());
    EXPECT_EQ(actual.cornerTexCoord(), expected.cornerTexCoord());
    EXPECT_EQ(actual.polygonTag(), expected.polygonTag());
    EXPECT_EQ(actual.polygonMaterial(), expected.polygonMaterial());
    ASSERT_EQ(actual.GetMaterialCount(), expected.GetMaterialCount());
    for (std::int32_t m = 0; m < actual.GetMaterialCount(); ++m) {
        const Material& a = *actual.materials()[m];
        const Material& b = *expected.materials()[m];
        EXPECT_EQ(a.GetColorA(), b.GetColorA()) << "material " << m;
        EXPECT_EQ(a.GetColorB(), b.GetColorB()) << "material " << m;
        EXPECT_EQ(a.GetColorC(), b.GetColorC()) << "material " << m;
        EXPECT_EQ(a.GetColorD(), b.GetColorD()) << "material " << m;
        EXPECT_EQ(a.GetMaterialValue(), b.GetMaterialValue()) << "material " << m;
    }
}

} // namespace uv_testing
