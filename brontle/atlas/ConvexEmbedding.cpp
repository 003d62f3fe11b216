#include "brontle/atlas/ConvexEmbedding.h"

#include <Eigen/Sparse>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brontle::atlas {
namespace {

// Keeps every weight positive where a fan triangle is degenerate (a zero angle adds nothing),
// relative to the mean-value weights of well-shaped triangles, which are about 1 / edge length.
constexpr double kWeightFloor = 1e-6;

// The border loop in local vertices, or empty when the border is not one simple loop.
std::vector<int> borderLoop(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                            std::int32_t chartId, const Chart& chart) {
    const int localCount = static_cast<int>(chart.vertices.size());
    std::vector<int> next(localCount, -1);
    int edges = 0;
    int start = -1;
    int k = 0;
    for (const std::int32_t p : chart.polygons) {
        const int begin = adj.polygonStart[p];
        const int size = adj.polygonStart[p + 1] - begin;
        for (int i = 0; i < size; ++i) {
            if (!isChartBorder(adj, owner, chartId, begin + i)) {
                continue;
            }
            const int from = chart.cornerLocal[k + i];
            const int to = chart.cornerLocal[k + (i + 1) % size];
            if (next[from] >= 0 || from == to) {
                return {}; // the border passes this vertex twice
            }
            next[from] = to;
            ++edges;
            if (start < 0) {
                start = from;
            }
        }
        k += size;
    }
    std::vector<int> loop;
    for (int v = start; v >= 0 && static_cast<int>(loop.size()) <= edges; v = next[v]) {
        loop.push_back(v);
        if (next[v] == start) {
            break;
        }
    }
    if (start < 0 || static_cast<int>(loop.size()) != edges || loop.size() < 3) {
        return {};
    }
    return loop;
}

} // namespace

bool flattenConvex(const MeshAdjacency& adj, const std::vector<std::int32_t>& owner,
                   std::int32_t chartId, Chart& chart) {
    const std::vector<int> loop = borderLoop(adj, owner, chartId, chart);
    if (loop.empty()) {
        return false;
    }
    const int localCount = static_cast<int>(chart.vertices.size());
    auto position = [&](int l) { return adj.positions[chart.vertices[l]]; };

    // Border on the unit circle, counter-clockwise in loop order, spaced by 3D length (evenly
    // when the loop has no length).
    std::vector<Vec2d> uv(localCount);
    std::vector<int> unknown(localCount, -1);
    for (int l = 0; l < localCount; ++l) {
        unknown[l] = 0;
    }
    const int n = static_cast<int>(loop.size());
    std::vector<double> along(n + 1, 0.0);
    for (int i = 0; i < n; ++i) {
        along[i + 1] = along[i] + length(position(loop[(i + 1) % n]) - position(loop[i]));
    }
    for (int i = 0; i < n; ++i) {
        const double t = along[n] > 0.0 ? along[i] / along[n] : double(i) / n;
        const double angle = 2.0 * std::numbers::pi * t;
        uv[loop[i]] = {std::cos(angle), std::sin(angle)};
        unknown[loop[i]] = -1;
    }
    int count = 0;
    for (int l = 0; l < localCount; ++l) {
        if (unknown[l] >= 0) {
            unknown[l] = count++;
        }
    }

    // Row of inner vertex i: sum_j w_ij (x_i - x_j) = 0, mean-value weight
    // w_ij = (tan(a/2) + tan(b/2)) / |x_i - x_j| over the angles a, b at i beside edge ij.
    std::vector<Eigen::Triplet<double>> triplets;
    Eigen::MatrixX2d rhs = Eigen::MatrixX2d::Zero(count, 2);
    auto addWeight = [&](int i, int j, double w) {
        const int row = unknown[i];
        if (row < 0 || i == j) {
            return;
        }
        triplets.emplace_back(row, row, w);
        if (unknown[j] >= 0) {
            triplets.emplace_back(row, unknown[j], -w);
        } else {
            rhs.row(row) += w * Eigen::RowVector2d(uv[j].x, uv[j].y);
        }
    };
    int k = 0;
    for (const std::int32_t p : chart.polygons) {
        const int size = adj.polygonStart[p + 1] - adj.polygonStart[p];
        const int* local = chart.cornerLocal.data() + k;
        k += size;
        for (int f = 1; f + 1 < size; ++f) {
            const int tri[3] = {local[0], local[f], local[f + 1]};
            for (int c = 0; c < 3; ++c) {
                const int i = tri[c];
                const int j = tri[(c + 1) % 3];
                const int m = tri[(c + 2) % 3];
                const Vec3d ej = position(j) - position(i);
                const Vec3d em = position(m) - position(i);
                const double lj = length(ej);
                const double lm = length(em);
                double half = 0.0;
                if (lj > 0.0 && lm > 0.0) {
                    half = 0.5 * std::atan2(length(cross(ej, em)), dot(ej, em));
                }
                // An angle near 180 degrees (a sliver) would give an unbounded weight.
                const double t = std::tan(std::min(half, 1.5));
                addWeight(i, j, t / std::max(lj, 1e-300) + kWeightFloor);
                addWeight(i, m, t / std::max(lm, 1e-300) + kWeightFloor);
            }
        }
    }
    if (count > 0) {
        Eigen::SparseMatrix<double> matrix(count, count);
        matrix.setFromTriplets(triplets.begin(), triplets.end());
        Eigen::SparseLU<Eigen::SparseMatrix<double>> solver(matrix);
        if (solver.info() != Eigen::Success) {
            return false;
        }
        const Eigen::MatrixX2d x = solver.solve(rhs);
        if (solver.info() != Eigen::Success || !x.allFinite()) {
            return false;
        }
        for (int l = 0; l < localCount; ++l) {
            if (unknown[l] >= 0) {
                uv[l] = {x(unknown[l], 0), x(unknown[l], 1)};
            }
        }
    }
    chart.uv = std::move(uv);
    return true;
}

} // namespace brontle::atlas
