#pragma once
// Small literal meshes, the backdrop and cameras shared by the view tests.

#include "brontle/model/Material.h"
#include "brontle/model/Polygon.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/viewmath/Picking.h"
#include "brontle/viewmath/ViewTransform.h"
#include "support/ModelBuilders.h"

#include <vector>

namespace views_fixtures {

using namespace brontle;

using testing_shapes::gridVertex;
using testing_shapes::quadGrid;

// The flat camera that shows [0, 1] x [0, 1] on a `pixels` square, so that view point (x, y)
// lands on pixel coordinates (x * pixels, y * pixels).
inline ViewTransform unitSquareView(int pixels) {
    return flatViewTransform(0.5, 0.5, 0.5, pixels, pixels);
}

// The backdrop square as the editor builds it: positions (0,0,1) (0,1,1) (1,1,1) (1,0,1) with
// texture coordinates (0,0) (0,-1) (1,-1) (1,0), display flag 4, nearest filtering.
inline ShapePtr backdrop(const SceneGraphPtr& scene, const TexturePtr& texture) {
    ShapePtr shape = scene->CreateShape();
    Polygon polygon = shape->AddPolygon();
    const Vector3 positions[] = {{0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}};
    const Vector2 uvs[] = {{0, 0}, {0, -1}, {1, -1}, {1, 0}};
    for (const Vector3& p : positions) {
        polygon.AddCorner(p, {}, {});
    }
    for (int k = 0; k < 4; ++k) {
        polygon.SetCornerUV(k, uvs[k]);
    }
    polygon.GetMaterial()->SetMaterialOption(0, 0);
    polygon.GetMaterial()->SetTexture(texture);
    shape->SetDisplayFlags(4);
    shape->SetDisplayOption(0);
    return shape;
}

} // namespace views_fixtures
