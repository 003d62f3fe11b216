#include "brontle/atlas/Lscm.h"

#include <Eigen/Sparse>

#include <cmath>
#include <complex>

namespace brontle::atlas {
namespace {

// Weight of the graph Laplacian added to the conformal energy. Conformal energy terms are
// scale-free (edge^2 / area, about 1 for a well-shaped triangle), so an absolute 1e-7 is far
// below them and only decides vertices that no non-degenerate triangle constrains.
constexpr double kRegularisation = 1e-7;

// Polygons whose fan triangles are thinner than this (relative to squared edge length) add no
// conformal energy: their angles carry no usable information and 1/area would blow up.
constexpr double kThinTriangle = 1e-12;

struct Pins {
    int a = -1;
    int b = -1;
};

// Two border vertices far apart: the farthest border vertex from an arbitrary one, then the
// farthest from that. Pinning far-apart points keeps the solve well conditioned.
Pins choosePins(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                std::int32_t chartId, const Chart& chart) {
    std::vector<int> border;
    int k = 0;
    for (const std::int32_t p : chart.polygons) {
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c, ++k) {
            if (isChartBorder(adj, owner, chartId, c)) {
                border.push_back(chart.cornerLocal[k]);
            }
        }
    }
    if (border.empty()) {
        return {};
    }
    auto farthestFrom = [&](int from) {
        const Vec3d origin = adj.positions[chart.vertices[from]];
        int best = from;
        double bestDistance = -1.0;
        for (const int v : border) {
            const Vec3d d = adj.positions[chart.vertices[v]] - origin;
            const double distance = dot(d, d);
            if (distance > bestDistance) {
                bestDistance = distance;
                best = v;
            }
        }
        return best;
    };
    Pins pins;
    pins.a = farthestFrom(border.front());
    pins.b = farthestFrom(pins.a);
    if (pins.a == pins.b) {
        return {};
    }
    return pins;
}

} // namespace

bool flattenConformal(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                      std::int32_t chartId, Chart& chart) {
    const int localCount = static_cast<int>(chart.vertices.size());
    const Pins pins = choosePins(adj, owner, chartId, chart);
    if (pins.a < 0) {
        return false;
    }

    // The energy is z^H M z over z = u + iv per vertex, M Hermitian, so the unknowns are one
    // complex number per free vertex: the pins are whole vertices. Solving this n x n complex
    // system instead of the 2n x 2n real one with u and v interleaved halves the arithmetic of
    // the factorisation (its fill is that of the vertex graph) and quarters the ordering's work.
    using Complex = std::complex<double>;
    std::vector<int> freeIndex(static_cast<std::size_t>(localCount));
    std::vector<Complex> pinValue(static_cast<std::size_t>(localCount), Complex{});
    const Vec3d pa = adj.positions[chart.vertices[pins.a]];
    const Vec3d pb = adj.positions[chart.vertices[pins.b]];
    pinValue[pins.b] = Complex{length(pb - pa), 0.0};
    int freeCount = 0;
    for (int l = 0; l < localCount; ++l) {
        freeIndex[l] = l == pins.a || l == pins.b ? -1 : freeCount++;
    }

    std::vector<Eigen::Triplet<Complex>> triplets;
    triplets.reserve(chart.cornerLocal.size() * 6);
    Eigen::VectorXcd rhs = Eigen::VectorXcd::Zero(freeCount);
    // Adds M[row][col] += value (the lower triangle is stored; a pinned column moves to the
    // right-hand side).
    auto add = [&](int row, int col, Complex value) {
        const int fr = freeIndex[row];
        if (fr < 0) {
            return;
        }
        const int fc = freeIndex[col];
        if (fc < 0) {
            rhs[fr] -= value * pinValue[col];
        } else if (fr >= fc) {
            triplets.emplace_back(fr, fc, value);
        }
    };

    int k = 0;
    for (const std::int32_t p : chart.polygons) {
        const int begin = adj.polygonStart[p];
        const int size = adj.polygonStart[p + 1] - begin;
        const int* local = chart.cornerLocal.data() + k;
        k += size;
        for (int i = 0; i < size; ++i) {
            const int a = local[i];
            const int b = local[(i + 1) % size];
            if (a == b) {
                continue;
            }
            add(a, a, kRegularisation);
            add(b, b, kRegularisation);
            add(a, b, -kRegularisation);
            add(b, a, -kRegularisation);
        }
        const Vec3d n = adj.polygonNormal[p];
        if (adj.polygonArea[p] <= 0.0) {
            continue;
        }
        Vec3d e1;
        Vec3d e2;
        planeBasis(n, e1, e2);
        const Vec3d origin = adj.positions[adj.cornerVertex[begin]];
        auto planar = [&](int i) {
            const Vec3d d = adj.positions[adj.cornerVertex[begin + i]] - origin;
            return Vec2d{dot(d, e1), dot(d, e2)};
        };
        for (int i = 1; i + 1 < size; ++i) {
            const int tri[3] = {local[0], local[i], local[i + 1]};
            const Vec2d w[3] = {planar(0), planar(i), planar(i + 1)};
            const double twiceArea = cross(w[1] - w[0], w[2] - w[0]);
            const double scale = dot(w[1] - w[0], w[1] - w[0]) + dot(w[2] - w[0], w[2] - w[0]);
            if (std::abs(twiceArea) <= kThinTriangle * scale) {
                continue;
            }
            // W_j = w_{j+2} - w_{j+1}: sum_j W_j z_j vanishes exactly when z is complex-linear
            // in w over the triangle, i.e. the map is conformal there. The triangle adds
            // |sum_j W_j z_j|^2 / |2 area| to the energy: M[j][m] += conj(W_j) W_m / |2 area|.
            Complex W[3];
            for (int j = 0; j < 3; ++j) {
                const Vec2d e = w[(j + 2) % 3] - w[(j + 1) % 3];
                W[j] = Complex{e.x, e.y};
            }
            const double weight = 1.0 / std::abs(twiceArea);
            for (int j = 0; j < 3; ++j) {
                for (int m = 0; m < 3; ++m) {
                    add(tri[j], tri[m], weight * std::conj(W[j]) * W[m]);
                }
            }
        }
    }

    Eigen::SparseMatrix<Complex> matrix(freeCount, freeCount);
    matrix.setFromTriplets(triplets.begin(), triplets.end());
    triplets.clear();
    triplets.shrink_to_fit();
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<Complex>, Eigen::Lower> solver(matrix);
    if (solver.info() != Eigen::Success) {
        return false;
    }
    const Eigen::VectorXcd x = solver.solve(rhs);
    if (solver.info() != Eigen::Success || !x.allFinite()) {
        return false;
    }

    chart.uv.assign(localCount, Vec2d{});
    for (int l = 0; l < localCount; ++l) {
        const Complex z = freeIndex[l] < 0 ? pinValue[l] : x[freeIndex[l]];
        chart.uv[l] = {z.real(), z.imag()};
    }
    return true;
}

void flattenByProjection(const MeshAdjacency& adj, Chart& chart) {
    Vec3d areaVector;
    for (const std::int32_t p : chart.polygons) {
        areaVector += adj.polygonNormal[p] * adj.polygonArea[p];
    }
    Vec3d n = normalized(areaVector);
    if (n.x == 0.0 && n.y == 0.0 && n.z == 0.0) {
        n = {0.0, 0.0, 1.0};
    }
    Vec3d e1;
    Vec3d e2;
    planeBasis(n, e1, e2);
    chart.uv.resize(chart.vertices.size());
    for (std::size_t l = 0; l < chart.vertices.size(); ++l) {
        const Vec3d q = adj.positions[chart.vertices[l]];
        chart.uv[l] = {dot(q, e1), dot(q, e2)};
    }
}

} // namespace brontle::atlas
