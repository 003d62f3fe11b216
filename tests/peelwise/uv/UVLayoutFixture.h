#pragma once
// A scene with a built UV layout: the atlas shape, its UV shape, the correspondence table and
// the two views' device ids, as the editor holds them.

#include "support/ModelBuilders.h"

#include "peelwise/uv/BuildUVShape.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"

#include <gtest/gtest.h>

#include <numeric>

namespace uv_testing {

using namespace brontle;
using namespace testing_shapes;

// A point selection with these entries, in this order.
inline SubSelection listOf(std::initializer_list<std::int32_t> points) {
    SubSelection s;
    for (std::int32_t p : points) {
        s.add(p);
    }
    return s;
}

struct UVLayoutFixture : ::testing::Test {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    DeviceID uvDevice = newDeviceID();
    DeviceID previewDevice = newDeviceID();
    ShapePtr atlas;
    ShapePtr uv;
    std::vector<std::int32_t> table;

    void layout(const std::vector<std::vector<Vector2>>& polygons) {
        atlas = atlasFromTexCoords(scene->CreateShape(), polygons);
        std::vector<std::int32_t> all(polygons.size());
        std::iota(all.begin(), all.end(), 0);
        uv = peelwise::modUV::BuildUVShape(*scene, *atlas, all);
        peelwise::modUV::RebuildUVCorrespondence(*uv, *atlas, table);
    }

    void layoutRandom(std::uint32_t seed, int polygons) {
        RandomAtlas random = randomAtlas(*scene, seed, polygons, false);
        atlas = random.shape;
        uv = peelwise::modUV::BuildUVShape(*scene, *atlas, random.polygonIndices);
        peelwise::modUV::RebuildUVCorrespondence(*uv, *atlas, table);
    }

    void selectPoints(const std::vector<std::int32_t>& points) {
        SubSelection selection;
        for (std::int32_t p : points) {
            selection.add(p);
        }
        uv->SetSubSelection(uvDevice, kSelectPoints, selection);
    }

    // The index of the UV vertex at (x, y), or -1.
    std::int32_t vertexAt(float x, float y) const {
        return uv->FindVertex({x, y, 0.0f}) < uv->GetVertexCount() ? uv->FindVertex({x, y, 0.0f})
                                                                   : -1;
    }

    // Every listed UV point's atlas texture coordinate is (x - 1, -y).
    void expectTexCoordsFollow() const {
        for (std::int32_t v = 0; v < uv->GetVertexCount(); ++v) {
            const Vector3 p = uv->vertices()[v];
            EXPECT_EQ(atlas->texcoords()[table[v]], (Vector2{p.x - 1.0f, -p.y})) << "point " << v;
        }
    }
};

} // namespace uv_testing
