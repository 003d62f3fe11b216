#pragma once
// Built-in shapes for the host window, the tests and the benchmarks. Each is built whole-array
// (ShapeArrays + Shape::assignArrays) in time linear in its size, so a million triangles take
// well under a second. All are right-handed with y up, polygons wound counter-clockwise seen
// from outside (their face normals point outwards), one material (the scene's default), tag 0.
// Texture coordinates have v growing upwards, stay within [0, 1] and keep each polygon's
// winding (the layout is seen from outside, never mirrored).

#include "brontle/model/Forward.h"

#include <cstdint>

namespace brontle {

// The shape the host window opens with: a cylinder (radius 1, height 2, base on y = 0, 24
// segments) with a 0.15 chamfer round its top rim. 170 polygons: per cap a ring of 24 quads
// round one 24-gon, 4 rows of 24 side quads and a row of 24 chamfer quads. The side and the
// chamfer are smooth round the axis (one normal per segment line, shared up the side); the rims
// between bottom and side, side and chamfer, chamfer and top are hard edges: corners there share
// the vertex but not the normal. The side is unrolled into v in [0.5, 1] with a texture seam at
// angle 0; the caps are discs in the lower half.
ShapePtr makeSampleShape(SceneGraph& scene);

// The cube [-1, 1]^3: 6 quads, 24 corners, 8 shared vertices, 6 normals (one per face, each
// corner of a face using it), 24 texture coordinates laying the faces out in a 3 x 2 grid of
// cells without overlap.
ShapePtr makeFlatShadedCube(SceneGraph& scene);

// The unit sphere with `rings` bands of latitude (>= 2) and `segments` meridians (>= 3): a
// triangle fan round each pole and quads between. One normal per vertex, equal (to rounding) to
// what Shape::SetSmoothingAngle(180) gives: the normalised sum of the unit face normals round
// the vertex, in vertex order. Texture coordinates: u = 1 - longitude / 360 with a seam at 0, v
// from 0 at the south pole to 1 at the north pole.
ShapePtr makeSmoothSphere(SceneGraph& scene, int rings, int segments);

// An n x m grid of unit quads in the plane z = 0, from (0, 0) to (n, m), facing +z, one shared
// normal; vertex (i, j) has texture coordinate (i / n, j / m).
ShapePtr makeQuadGrid(SceneGraph& scene, int n, int m);

// A torus round the y axis, ring radius 1, tube radius 0.25: `rings` (>= 3) steps round the
// axis times `segments` (>= 3) round the tube, all quads, one analytic normal per vertex, and
// texture coordinates with a seam in each direction.
ShapePtr makeTorus(SceneGraph& scene, int rings, int segments);

// A triangulated sphere whose radius varies per vertex by up to 5 % at the equator, less
// towards the poles in proportion to the circumference there (deterministic from `seed`), with
// about `targetTriangles` triangles (at least 32) and smooth normals computed as for
// makeSmoothSphere: a closed, bumpy mesh for the atlas and its benchmarks.
ShapePtr makeNoisySphere(SceneGraph& scene, int targetTriangles, std::uint32_t seed);

} // namespace brontle
