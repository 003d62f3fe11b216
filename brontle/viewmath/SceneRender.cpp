#include "brontle/viewmath/SceneRender.h"

#include "brontle/model/HostProgress.h"
#include "brontle/model/Material.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/viewmath/MeshEdges.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace brontle {

namespace {

bool isBackdrop(const Shape& s) {
    return (s.displayFlags() & kBackdropFlag) != 0;
}

// |cos| between the polygon's normal (Newell) and the eye ray through its first corner.
double tiltShade(const std::vector<Vector3>& world, const Vector3& eye, bool orthographic,
                 const Vector3& viewDir) {
    double nx = 0, ny = 0, nz = 0;
    for (std::size_t i = 0; i < world.size(); ++i) {
        const Vector3& a = world[i];
        const Vector3& b = world[(i + 1) % world.size()];
        nx += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
        ny += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
        nz += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
    }
    const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (nl == 0.0) {
        return 1.0;
    }
    double dx = viewDir.x, dy = viewDir.y, dz = viewDir.z;
    if (!orthographic && !world.empty()) {
        dx = world[0].x - eye.x;
        dy = world[0].y - eye.y;
        dz = world[0].z - eye.z;
    }
    const double dl = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (dl == 0.0) {
        return 1.0;
    }
    return std::abs(nx * dx + ny * dy + nz * dz) / (nl * dl);
}

// How many polygons or edges are drawn between two progress reports: a report costs far less
// than drawing that many, and a cancel still stops a big layout within a small fraction of it.
constexpr std::int32_t kReportEvery = 4096;

} // namespace

SceneItems collectSceneItems(const FramePtr& root) {
    SceneItems items;
    if (root) {
        root->collectShapes(items);
    }
    return items;
}

std::vector<std::size_t> drawOrder(const SceneItems& items, const ViewTransform& view) {
    std::vector<double> depth(items.size(), 0.0);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const BoundingBox b = items[i].first->GetBoundingBox();
        const Vector3 centre{(b.minX + b.maxX) * 0.5f, (b.minY + b.maxY) * 0.5f,
                             (b.minZ + b.maxZ) * 0.5f};
        depth[i] = view.withModel(placementMatrix(items[i].second)).project(centre).depth;
    }
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const bool ba = isBackdrop(*items[a].first), bb = isBackdrop(*items[b].first);
        if (ba != bb) {
            return ba;
        }
        return depth[a] > depth[b];
    });
    return order;
}

void renderScene(SoftwareRaster& raster, const ViewTransform& view, const SceneItems& items,
                 const SceneRenderStyle& style) {
    // Progress (reportProgress, for a render run as a host operation): the work is counted as
    // the polygons filled plus, for each shape with wires, its corner count (an edge count
    // known before its edges are found: each edge has at least one corner).
    std::int64_t total = 0;
    for (const auto& item : items) {
        const Shape& s = *item.first;
        total += s.displayMode() != kWireframeMode ? s.GetPolygonCount() : 0;
        total += static_cast<std::int64_t>(s.cornerVertex().size());
    }
    std::int64_t done = 0;
    const auto report = [&] {
        reportProgress(total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0);
    };
    report();
    const Matrix4 eyeToWorld = invert(view.worldToEye);
    const Vector3 eye = transformByMatrix(eyeToWorld, {0, 0, 0});
    const Vector3 ahead = transformByMatrix(eyeToWorld, {0, 0, -1});
    const Vector3 viewDir{ahead.x - eye.x, ahead.y - eye.y, ahead.z - eye.z};
    std::vector<ScreenPoint> corners;
    std::vector<Vector2> uvs;
    std::vector<Vector3> world;
    for (std::size_t index : drawOrder(items, view)) {
        const Shape& shape = *items[index].first;
        const Matrix4 model = placementMatrix(items[index].second);
        const ViewTransform t = view.withModel(model);
        const auto& vertices = shape.vertices();
        const auto& texcoords = shape.texcoords();
        const auto& start = shape.polygonStart();
        const auto& cornerVertex = shape.cornerVertex();
        const auto& cornerTex = shape.cornerTexCoord();
        const auto& polygonMaterial = shape.polygonMaterial();
        const bool backdrop = isBackdrop(shape);
        std::vector<ScreenPoint> projected(vertices.size());
        for (std::size_t v = 0; v < vertices.size(); ++v) {
            projected[v] = t.project(vertices[v]);
        }
        if (shape.displayMode() != kWireframeMode) {
            for (std::int32_t p = 0; p < shape.GetPolygonCount(); ++p) {
                // A fill costs far more than this check; the wires below go in blocks.
                if (p % kReportEvery == kReportEvery - 1) {
                    done += kReportEvery;
                    report();
                }
                corners.clear();
                uvs.clear();
                world.clear();
                for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
                    corners.push_back(projected[cornerVertex[k]]);
                    const std::int32_t tc = cornerTex[k];
                    uvs.push_back(tc >= 0 && tc < static_cast<std::int32_t>(texcoords.size())
                                      ? texcoords[tc]
                                      : Vector2{});
                    world.push_back(transformByMatrix(model, vertices[cornerVertex[k]]));
                }
                const std::int32_t m =
                    p < static_cast<std::int32_t>(polygonMaterial.size()) ? polygonMaterial[p] : 0;
                const MaterialPtr material =
                    m >= 0 && m < shape.GetMaterialCount() ? shape.GetMaterialByIndex(m) : nullptr;
                const Color4 colourB =
                    material ? material->GetColorB() : Color4{0.8f, 0.8f, 0.8f, 1};
                const TexturePtr texture =
                    material && style.textures ? material->texture() : nullptr;
                const Image* image =
                    texture && !texture->image().empty() ? &texture->image() : nullptr;
                double shade = 1.0;
                std::uint32_t colour = argbFromColor(colourB);
                if (style.lighting && !backdrop) {
                    shade = 0.25 + 0.75 * tiltShade(world, eye, view.orthographic, viewDir);
                }
                raster.fillPolygon(corners, uvs, image, colour, shade, colourB.a,
                                   view.orthographic);
            }
            done += shape.GetPolygonCount() % kReportEvery;
        }
        const std::int64_t edgeShare = static_cast<std::int64_t>(cornerVertex.size());
        const bool wires = style.wires && !backdrop &&
                           (shape.displayMode() == kWireframeMode ||
                            (shape.displayFlags() & kWireOverlayFlag) != 0 || style.wiresOnAll);
        if (wires) {
            const MeshEdges edges(meshArrays(shape));
            const std::int32_t count = edges.edgeCount();
            for (std::int32_t first = 0; first < count; first += kReportEvery) {
                const std::int32_t last = std::min(count, first + kReportEvery);
                for (std::int32_t e = first; e < last; ++e) {
                    raster.drawLine(projected[edges.vertexA(e)], projected[edges.vertexB(e)],
                                    style.wireColour, 1, style.smoothWires, view.orthographic);
                }
                reportProgress(static_cast<double>(done + last * edgeShare / count) /
                               static_cast<double>(total));
            }
        }
        done += edgeShare;
        report();
    }
}

} // namespace brontle
