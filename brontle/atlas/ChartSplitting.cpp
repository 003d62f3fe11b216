#include "brontle/atlas/ChartSplitting.h"

#include <Eigen/Dense>

#include <algorithm>
#include <limits>
#include <queue>

namespace brontle::atlas {
namespace {

// The chart with its polygons numbered 0..n-1 and the local polygon across every corner.
class LocalChart {
  public:
    LocalChart(const MeshAdjacency& adj, const std::vector<std::int32_t>& polygons,
               SplitScratch& scratch)
        : adj_(adj), polygons_(polygons), scratch_(scratch) {
        for (std::size_t i = 0; i < polygons.size(); ++i) {
            scratch.polygonLocal[polygons[i]] = static_cast<std::int32_t>(i);
        }
        centroid_.resize(polygons.size());
        for (std::size_t i = 0; i < polygons.size(); ++i) {
            const int p = polygons[i];
            Vec3d sum;
            for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
                sum += adj.positions[adj.cornerVertex[c]];
            }
            centroid_[i] = sum * (1.0 / (adj.polygonStart[p + 1] - adj.polygonStart[p]));
        }
    }
    ~LocalChart() {
        for (const std::int32_t p : polygons_) {
            scratch_.polygonLocal[p] = -1;
        }
    }
    LocalChart(const LocalChart&) = delete;
    LocalChart& operator=(const LocalChart&) = delete;

    int size() const { return static_cast<int>(polygons_.size()); }
    const Vec3d& centroid(int i) const { return centroid_[i]; }

    // Calls visit(j) for every local polygon j across an edge of local polygon i.
    template <class Visit> void forNeighbours(int i, Visit&& visit) const {
        const int p = polygons_[i];
        for (int c = adj_.polygonStart[p]; c < adj_.polygonStart[p + 1]; ++c) {
            const int o = adj_.oppositeCorner[c];
            if (o < 0) {
                continue;
            }
            const int j = scratch_.polygonLocal[adj_.cornerPolygon[o]];
            if (j >= 0) {
                visit(j);
            }
        }
    }

    // Geodesic distance (along centroid-to-centroid steps) from the sources, and for every
    // polygon the index of its nearest source.
    void distances(const std::vector<int>& sources, std::vector<double>& distance,
                   std::vector<int>& label) const {
        distance.assign(size(), std::numeric_limits<double>::infinity());
        label.assign(size(), -1);
        using Entry = std::pair<double, int>;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
        for (std::size_t s = 0; s < sources.size(); ++s) {
            distance[sources[s]] = 0.0;
            label[sources[s]] = static_cast<int>(s);
            heap.push({0.0, sources[s]});
        }
        while (!heap.empty()) {
            // Plain variables rather than a structured binding: the lambda below captures
            // them, which clang before 16 refuses for bindings (the fuzz build uses clang-14).
            const double d = heap.top().first;
            const int i = heap.top().second;
            heap.pop();
            if (d > distance[i]) {
                continue;
            }
            forNeighbours(i, [&](int j) {
                const double next = d + length(centroid_[j] - centroid_[i]);
                if (next < distance[j]) {
                    distance[j] = next;
                    label[j] = label[i];
                    heap.push({next, j});
                }
            });
        }
    }

    // Edge-connected components of polygons with equal labels, each ascending in mesh index.
    std::vector<std::vector<std::int32_t>> components(const std::vector<int>& label) const {
        std::vector<int> component(size(), -1);
        std::vector<std::vector<std::int32_t>> parts;
        std::vector<int> stack;
        for (int start = 0; start < size(); ++start) {
            if (component[start] >= 0) {
                continue;
            }
            const int id = static_cast<int>(parts.size());
            parts.emplace_back();
            component[start] = id;
            stack.push_back(start);
            while (!stack.empty()) {
                const int i = stack.back();
                stack.pop_back();
                parts[id].push_back(polygons_[i]);
                forNeighbours(i, [&](int j) {
                    if (component[j] < 0 && label[j] == label[i]) {
                        component[j] = id;
                        stack.push_back(j);
                    }
                });
            }
            std::sort(parts[id].begin(), parts[id].end());
        }
        return parts;
    }

  private:
    const MeshAdjacency& adj_;
    const std::vector<std::int32_t>& polygons_;
    SplitScratch& scratch_;
    std::vector<Vec3d> centroid_;
};

// Euler characteristic of a part (see eulerCharacteristic in Chart.h); 1 for a disc.
int partEuler(const MeshAdjacency& adj, const std::vector<std::int32_t>& part,
              SplitScratch& scratch) {
    for (std::size_t i = 0; i < part.size(); ++i) {
        scratch.polygonLocal[part[i]] = 0;
    }
    long long vertices = 0;
    long long inner = 0;
    long long border = 0;
    for (const std::int32_t p : part) {
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            const int v = adj.cornerVertex[c];
            if (scratch.vertexStamp[v] < 0) {
                scratch.vertexStamp[v] = 0;
                ++vertices;
            }
            const int o = adj.oppositeCorner[c];
            if (o >= 0 && scratch.polygonLocal[adj.cornerPolygon[o]] == 0) {
                ++inner;
            } else {
                ++border;
            }
        }
    }
    for (const std::int32_t p : part) {
        scratch.polygonLocal[p] = -1;
        for (int c = adj.polygonStart[p]; c < adj.polygonStart[p + 1]; ++c) {
            scratch.vertexStamp[adj.cornerVertex[c]] = -1;
        }
    }
    return static_cast<int>(vertices - (inner / 2 + border) + static_cast<long long>(part.size()));
}

// Farthest-point seeds: the farthest polygon from polygon 0, then repeatedly the polygon
// farthest from every seed so far; each polygon then goes to its nearest seed.
std::vector<std::vector<std::int32_t>> geodesicSplit(const LocalChart& chart, int parts) {
    std::vector<double> distance;
    std::vector<int> label;
    auto farthest = [&](const std::vector<int>& from) {
        chart.distances(from, distance, label);
        int best = from.front();
        for (int i = 0; i < chart.size(); ++i) {
            if (distance[i] != std::numeric_limits<double>::infinity() &&
                distance[i] > distance[best]) {
                best = i;
            }
        }
        return best;
    };
    std::vector<int> seeds{farthest({0})};
    while (static_cast<int>(seeds.size()) < std::min(parts, chart.size())) {
        const int next = farthest(seeds);
        if (distance[next] <= 0.0) {
            break;
        }
        seeds.push_back(next);
    }
    chart.distances(seeds, distance, label);
    return chart.components(label);
}

std::vector<std::vector<std::int32_t>> planeSplit(const LocalChart& chart, const Vec3d& mean,
                                                  const Vec3d& axis) {
    std::vector<int> label(chart.size());
    for (int i = 0; i < chart.size(); ++i) {
        label[i] = dot(chart.centroid(i) - mean, axis) >= 0.0 ? 1 : 0;
    }
    return chart.components(label);
}

} // namespace

std::vector<std::vector<std::int32_t>> splitChart(const MeshAdjacency& adj,
                                                  const std::vector<std::int32_t>& polygons,
                                                  bool wantDiscs, SplitScratch& scratch,
                                                  int parts) {
    if (polygons.size() < 2) {
        return {polygons};
    }
    std::vector<std::vector<std::vector<std::int32_t>>> candidates;
    {
        const LocalChart chart(adj, polygons, scratch);
        candidates.push_back(geodesicSplit(chart, std::max(2, parts)));
        if (wantDiscs) {
            Vec3d mean;
            for (int i = 0; i < chart.size(); ++i) {
                mean += chart.centroid(i);
            }
            mean = mean * (1.0 / chart.size());
            Eigen::Matrix3d covariance = Eigen::Matrix3d::Zero();
            for (int i = 0; i < chart.size(); ++i) {
                const Vec3d d = chart.centroid(i) - mean;
                const Eigen::Vector3d e(d.x, d.y, d.z);
                covariance += e * e.transpose();
            }
            // Eigenvalues come out ascending: the thinnest direction first, which is the cut
            // that opens a tube lengthwise.
            const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> solver(covariance);
            for (int k = 0; k < 3; ++k) {
                const Eigen::Vector3d v = solver.eigenvectors().col(k);
                candidates.push_back(planeSplit(chart, mean, {v.x(), v.y(), v.z()}));
            }
        }
        // Last resort when every polygon sits at one point: halves in index order.
        std::vector<int> half(chart.size());
        for (int i = 0; i < chart.size(); ++i) {
            half[i] = 2 * i < chart.size() ? 0 : 1;
        }
        candidates.push_back(chart.components(half));
    }
    // Scores need the scratch arrays, so the LocalChart above has already released them.
    std::vector<std::vector<std::int32_t>> best;
    int bestScore = -1;
    for (auto& candidate : candidates) {
        if (candidate.size() < 2) {
            continue;
        }
        if (!wantDiscs) {
            best = std::move(candidate);
            break;
        }
        int discs = 0;
        for (const auto& part : candidate) {
            discs += partEuler(adj, part, scratch) == 1;
        }
        // All-disc candidates first, then the larger share of discs, then the earlier one.
        const int score = discs == static_cast<int>(candidate.size()) ? 1 << 20 : discs;
        if (score > bestScore) {
            bestScore = score;
            best = std::move(candidate);
        }
    }
    if (best.empty()) {
        return {polygons};
    }
    std::sort(best.begin(), best.end(),
              [](const auto& x, const auto& y) { return x.front() < y.front(); });
    return best;
}

} // namespace brontle::atlas
