#pragma once
// Small literal meshes and cameras shared by the view tests.

#include "brontle/model/Shape.h"
#include "brontle/viewmath/Picking.h"
#include "brontle/viewmath/ViewTransform.h"
#include "support/ModelBuilders.h"

#include <vector>

namespace views_fixtures {

using namespace brontle;

// A grid of `columns` x `rows` unit quads in the z = 0 plane, vertices shared, vertex
// (i, j) at index j * (columns + 1) + i and position (i * size, j * size, 0); quad (i, j) is
// polygon j * columns + i with corners (i, j), (i + 1, j), (i + 1, j + 1), (i, j + 1).
inline ShapePtr quadGrid(int columns, int rows, float size = 1.0f,
                         const ShapePtr& shape = Shape::create()) {
    std::vector<Vector3> points;
    for (int j = 0; j <= rows; ++j) {
        for (int i = 0; i <= columns; ++i) {
            points.push_back({i * size, j * size, 0.0f});
        }
    }
    std::vector<std::vector<std::int32_t>> polygons;
    const int w = columns + 1;
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < columns; ++i) {
            polygons.push_back({j * w + i, j * w + i + 1, (j + 1) * w + i + 1, (j + 1) * w + i});
        }
    }
    return testing_shapes::shapeFrom(shape, points, polygons);
}

inline std::int32_t gridVertex(int columns, int i, int j) {
    return j * (columns + 1) + i;
}

// The flat camera that shows [0, 1] x [0, 1] on a `pixels` square, so that view point (x, y)
// lands on pixel coordinates (x * pixels, y * pixels).
inline ViewTransform unitSquareView(int pixels) {
    return flatViewTransform(0.5, 0.5, 0.5, pixels, pixels);
}

} // namespace views_fixtures
