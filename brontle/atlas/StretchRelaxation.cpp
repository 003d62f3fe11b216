#include "brontle/atlas/StretchRelaxation.h"

#include "brontle/atlas/Stretch.h"

#include <Eigen/Sparse>

#include <algorithm>
#include <array>
#include <cmath>

namespace brontle::atlas {
namespace {

// Cotangent weights are kept within these bounds: an obtuse angle gives a negative cotangent,
// which would make the system indefinite, and the near-zero angles of sliver triangles give
// huge ones that would let a single sliver dictate its neighbours.
constexpr double kMinWeight = 1e-3;
constexpr double kMaxWeight = 10.0;

struct Triangle {
    std::array<std::int32_t, 3> v; // local vertices
    std::array<Vec2d, 3> x;        // the 3D triangle laid flat isometrically
    std::array<double, 3> w;       // weight of the edge opposite each corner
};

} // namespace

bool relaxStretch(const MeshAdjacency& adj, const Chart& chart, int iterations,
                  std::vector<Vec2d>& relaxed) {
    const int n = static_cast<int>(chart.vertices.size());
    if (n < 3 || chart.uv.size() != chart.vertices.size()) {
        return false;
    }
    std::vector<Triangle> triangles;
    std::size_t k = 0;
    for (const std::int32_t p : chart.polygons) {
        const int begin = adj.polygonStart[p];
        const int size = adj.polygonStart[p + 1] - begin;
        const std::int32_t* local = chart.cornerLocal.data() + k;
        k += size;
        for (int i = 1; i + 1 < size; ++i) {
            const Vec3d q0 = adj.positions[adj.cornerVertex[begin]];
            const Vec3d q1 = adj.positions[adj.cornerVertex[begin + i]];
            const Vec3d q2 = adj.positions[adj.cornerVertex[begin + i + 1]];
            const Vec3d e1 = q1 - q0;
            const Vec3d e2 = q2 - q0;
            const double l1 = length(e1);
            const double twiceArea = length(cross(e1, e2));
            if (!(l1 > 0.0) || !(twiceArea > 1e-12 * l1 * l1)) {
                continue;
            }
            Triangle t;
            t.v = {local[0], local[i], local[i + 1]};
            const double along = dot(e2, e1) / l1;
            t.x = {Vec2d{0.0, 0.0}, Vec2d{l1, 0.0}, Vec2d{along, twiceArea / l1}};
            for (int c = 0; c < 3; ++c) {
                const Vec2d a = t.x[(c + 1) % 3] - t.x[c];
                const Vec2d b = t.x[(c + 2) % 3] - t.x[c];
                const double cot = dot(a, b) / std::abs(cross(a, b));
                t.w[c] = std::clamp(0.5 * cot, kMinWeight, kMaxWeight);
            }
            triangles.push_back(t);
        }
    }
    if (triangles.empty()) {
        return false;
    }
    // Start from the given layout at the 3D scale.
    StretchSum sum;
    accumulateChartStretch(adj, chart, sum);
    const double scale = sum.areaScale();
    relaxed.resize(n);
    for (int i = 0; i < n; ++i) {
        relaxed[i] = chart.uv[i] * scale;
    }
    // The system: the weighted graph Laplacian with vertex 0 pinned (its row and column dropped,
    // unknowns 1..n-1 numbered 0..n-2).
    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(triangles.size() * 9);
    auto add = [&](int r, int c, double value) {
        if (r > 0 && c > 0) {
            entries.emplace_back(r - 1, c - 1, value);
        }
    };
    for (const Triangle& t : triangles) {
        for (int c = 0; c < 3; ++c) {
            const int i = t.v[(c + 1) % 3];
            const int j = t.v[(c + 2) % 3];
            add(i, i, t.w[c]);
            add(j, j, t.w[c]);
            add(i, j, -t.w[c]);
            add(j, i, -t.w[c]);
        }
    }
    Eigen::SparseMatrix<double> matrix(n - 1, n - 1);
    matrix.setFromTriplets(entries.begin(), entries.end());
    // Vertices that no triangle of area reaches keep their place.
    std::vector<std::uint8_t> reached(n, 0);
    for (const Triangle& t : triangles) {
        for (const std::int32_t v : t.v) {
            reached[v] = 1;
        }
    }
    for (int i = 1; i < n; ++i) {
        if (!reached[i]) {
            matrix.coeffRef(i - 1, i - 1) += 1.0;
        }
    }
    const Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>, Eigen::Lower> solver(matrix);
    if (solver.info() != Eigen::Success) {
        return false;
    }
    Eigen::MatrixX2d rhs(n - 1, 2);
    std::vector<Vec2d> rotation(triangles.size()); // per triangle (cos, sin)
    for (int iteration = 0; iteration < iterations; ++iteration) {
        // Local step: per triangle the rotation closest to the map from its flat 3D shape to
        // its layout (polar decomposition of the weighted 2 x 2 covariance).
        for (std::size_t t = 0; t < triangles.size(); ++t) {
            const Triangle& tri = triangles[t];
            double s00 = 0.0;
            double s01 = 0.0;
            double s10 = 0.0;
            double s11 = 0.0;
            for (int c = 0; c < 3; ++c) {
                const int a = (c + 1) % 3;
                const int b = (c + 2) % 3;
                const Vec2d du = relaxed[tri.v[a]] - relaxed[tri.v[b]];
                const Vec2d dx = tri.x[a] - tri.x[b];
                s00 += tri.w[c] * du.x * dx.x;
                s01 += tri.w[c] * du.x * dx.y;
                s10 += tri.w[c] * du.y * dx.x;
                s11 += tri.w[c] * du.y * dx.y;
            }
            // The rotation (cos, -sin; sin, cos) maximising trace(R^T S).
            const double c = s00 + s11;
            const double s = s10 - s01;
            const double norm = std::hypot(c, s);
            rotation[t] = norm > 0.0 ? Vec2d{c / norm, s / norm} : Vec2d{1.0, 0.0};
        }
        // Global step.
        rhs.setZero();
        for (std::size_t t = 0; t < triangles.size(); ++t) {
            const Triangle& tri = triangles[t];
            const double cs = rotation[t].x;
            const double sn = rotation[t].y;
            for (int c = 0; c < 3; ++c) {
                const int a = (c + 1) % 3;
                const int b = (c + 2) % 3;
                const Vec2d dx = tri.x[a] - tri.x[b];
                const Vec2d r{cs * dx.x - sn * dx.y, sn * dx.x + cs * dx.y};
                const int i = tri.v[a];
                const int j = tri.v[b];
                if (i > 0) {
                    rhs(i - 1, 0) += tri.w[c] * r.x;
                    rhs(i - 1, 1) += tri.w[c] * r.y;
                }
                if (j > 0) {
                    rhs(j - 1, 0) -= tri.w[c] * r.x;
                    rhs(j - 1, 1) -= tri.w[c] * r.y;
                }
            }
        }
        // The pinned vertex's terms move to the right-hand side.
        for (const Triangle& tri : triangles) {
            for (int c = 0; c < 3; ++c) {
                const int i = tri.v[(c + 1) % 3];
                const int j = tri.v[(c + 2) % 3];
                if (i == 0 && j > 0) {
                    rhs(j - 1, 0) += tri.w[c] * relaxed[0].x;
                    rhs(j - 1, 1) += tri.w[c] * relaxed[0].y;
                } else if (j == 0 && i > 0) {
                    rhs(i - 1, 0) += tri.w[c] * relaxed[0].x;
                    rhs(i - 1, 1) += tri.w[c] * relaxed[0].y;
                }
            }
        }
        for (int i = 1; i < n; ++i) {
            if (!reached[i]) {
                rhs(i - 1, 0) += relaxed[i].x;
                rhs(i - 1, 1) += relaxed[i].y;
            }
        }
        const Eigen::MatrixX2d solution = solver.solve(rhs);
        if (solver.info() != Eigen::Success || !solution.allFinite()) {
            return false;
        }
        for (int i = 1; i < n; ++i) {
            relaxed[i] = {solution(i - 1, 0), solution(i - 1, 1)};
        }
    }
    return true;
}

} // namespace brontle::atlas
