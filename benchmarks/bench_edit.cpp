// UV editing steps on atlas-like layouts of about 100,000 and 1,000,000 UV vertices (16 square
// charts of triangulated grids, about two triangles per vertex), each the median of repeated
// runs, in CPU milliseconds of the measuring thread:
//   drag       one DragMove step with every point selected (the worst case): read the atlas's
//              texture coordinates, applyDragMove from the vertex cache, write both shapes
//   transform  one rotate button step (TransformUVPoints on all points, nothing selected)
//   weld       one "Weld Selection" of two points: target, WeldUVPoints, cache refresh and
//              RebuildUVCorrespondence
//   record     EditHistory::record (two shape copies and the selections)
//   undo       EditHistory::undo right after an edit (records the present, restores, refreshes
//              the vertex cache)
// The table also shows the layout's start-up work (BuildUVShape, RebuildUVCorrespondence,
// FindCreaseEdges). Target: every edit step under 16 ms at 100k, growing linearly.
// The last line is one JSON object: {"100k": {...}, "1m": {...}} with the five times in ms.
#include "peelwise/uv/ApplyDragMove.h"
#include "peelwise/uv/BuildUVShape.h"
#include "peelwise/uv/CreaseEdge.h"
#include "peelwise/uv/EditHistory.h"
#include "peelwise/uv/FindCreaseEdges.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"
#include "peelwise/uv/TransformUVPoints.h"
#include "peelwise/uv/WeldTargets.h"
#include "peelwise/uv/WeldUVPoints.h"

#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <numeric>

using namespace brontle;
using namespace peelwise::modUV;

namespace {

// 4 x 4 charts, each an m x m grid of cells split into two counter-clockwise triangles, placed in
// the unit square with a gutter; texture coordinates are shared inside a chart.
ShapePtr atlasLayout(SceneGraph& scene, int m) {
    ShapeArrays a;
    a.normals = {{0, 0, 1}};
    const int side = 4;
    const float cell = 1.0f / side;
    const float gutter = 0.01f;
    for (int cy = 0; cy < side; ++cy) {
        for (int cx = 0; cx < side; ++cx) {
            const auto base = static_cast<std::int32_t>(a.texcoords.size());
            for (int j = 0; j <= m; ++j) {
                for (int i = 0; i <= m; ++i) {
                    const float u = cx * cell + gutter + (cell - 2 * gutter) * float(i) / float(m);
                    const float v = cy * cell + gutter + (cell - 2 * gutter) * float(j) / float(m);
                    a.texcoords.push_back({u, v});
                    a.vertices.push_back({float(cx * m + i), float(cy * m + j), 0.0f});
                }
            }
            auto id = [&](int i, int j) { return base + j * (m + 1) + i; };
            auto add = [&](int v0, int v1, int v2) {
                for (int v : {v0, v1, v2}) {
                    a.cornerVertex.push_back(v);
                    a.cornerNormal.push_back(0);
                    a.cornerTexCoord.push_back(v);
                }
                a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
            };
            for (int j = 0; j < m; ++j) {
                for (int i = 0; i < m; ++i) {
                    add(id(i, j), id(i + 1, j), id(i + 1, j + 1));
                    add(id(i, j), id(i + 1, j + 1), id(i, j + 1));
                }
            }
        }
    }
    ShapePtr atlas = scene.CreateShape();
    atlas->assignArrays(std::move(a));
    return atlas;
}

// CPU time of this thread: the machines these run on are shared by parallel builds, and wall
// time then measures the neighbours as much as the code.
double cpuMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

template <class F> double medianCpuMilliseconds(int repeats, F&& run) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        const double start = cpuMilliseconds();
        run();
        times.push_back(cpuMilliseconds() - start);
    }
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

struct Row {
    int vertices = 0;
    int triangles = 0;
    double build = 0, correspondence = 0, creases = 0;
    double drag = 0, drag10 = 0, transform = 0, weld = 0, record = 0, undo = 0;
};

Row measure(int m) {
    SceneGraphPtr scene = SceneGraph::create(nullptr);
    Row row;
    ShapePtr source = atlasLayout(*scene, m);
    ShapePtr atlas = scene->CreateShape();
    atlas->AppendShape(*source);
    std::vector<std::int32_t> all(static_cast<std::size_t>(atlas->GetPolygonCount()));
    std::iota(all.begin(), all.end(), 0);
    row.triangles = atlas->GetPolygonCount();

    // Start-up work, each the median of three runs on fresh copies of the atlas shape.
    ShapePtr uv;
    row.build = medianCpuMilliseconds(3, [&] {
        ShapePtr fresh = scene->CreateShape();
        fresh->AppendShape(*source);
        uv = BuildUVShape(*scene, *fresh, all);
    });
    uv = BuildUVShape(*scene, *atlas, all);
    std::vector<std::int32_t> table;
    row.correspondence =
        medianCpuMilliseconds(3, [&] { RebuildUVCorrespondence(*uv, *atlas, table); });
    row.creases = medianCpuMilliseconds(3, [&] {
        std::vector<CreaseEdge> creases;
        std::int32_t count = 0;
        FindCreaseEdges(*scene, *source, creases, count);
    });
    row.vertices = uv->GetVertexCount();
    std::vector<Vector3> cache = uv->GetVertices();

    const DeviceID previewDevice = newDeviceID();
    const DeviceID uvDevice = newDeviceID();
    const AxisLock unlocked = [] { return false; };
    std::vector<Vector3> positions;
    auto dragStep = [&](const SubSelection& selection) {
        std::vector<Vector2> texcoords = atlas->GetTextureCoordinates();
        applyDragMove(cache, selection, 0.001f, -0.002f, unlocked, unlocked, positions, texcoords,
                      table);
        uv->SetVertices(positions);
        atlas->SetTextureCoordinates(texcoords);
    };
    SubSelection everyPoint, tenth;
    for (std::int32_t i = 0; i < row.vertices; ++i) {
        everyPoint.add(i);
        if (i % 10 == 0) {
            tenth.add(i);
        }
    }
    row.drag = medianCpuMilliseconds(7, [&] { dragStep(everyPoint); });
    row.drag10 = medianCpuMilliseconds(7, [&] { dragStep(tenth); });

    row.transform = medianCpuMilliseconds(7, [&] {
        TransformUVPoints(*scene, uvDevice, *uv, atlas.get(), table, kTransformRotate, 0.3333333f,
                          0.0f, false, false);
    });

    // Two points of different charts: the first chart's top-right corner and the second's
    // top-left.
    row.weld = medianCpuMilliseconds(5, [&] {
        SubSelection two;
        two.add(m);
        two.add((m + 1) * (m + 1));
        std::vector<Vector3> current = uv->GetVertices();
        const Vector3 target = chooseWeldTarget(WeldKind::Selection, two, current);
        WeldUVPoints(target, two, *uv, current, *atlas, table);
        cache = uv->GetVertices();
        RebuildUVCorrespondence(*uv, *atlas, table);
    });

    peelwise::EditHistory history;
    peelwise::HistoryTarget target{*scene, previewDevice, uvDevice, *source, *uv, cache};
    row.record = medianCpuMilliseconds(9, [&] { history.record(target); });
    std::vector<double> undoTimes;
    for (int i = 0; i < 7; ++i) {
        history.record(target);
        TransformUVPoints(*scene, uvDevice, *uv, atlas.get(), table, kTransformMove, 0.001f, 0.0f,
                          false, false);
        const double start = cpuMilliseconds();
        history.undo(target);
        undoTimes.push_back(cpuMilliseconds() - start);
    }
    std::nth_element(undoTimes.begin(), undoTimes.begin() + 3, undoTimes.end());
    row.undo = undoTimes[3];
    return row;
}

} // namespace

int main() {
    std::printf("bench_edit: UV edit steps, median CPU ms of this thread (wall time on a shared "
                "machine measures the neighbours too)\n");
    const Row small = measure(78);  // 16 x 79^2 = 99,856 UV vertices
    const Row large = measure(249); // 16 x 250^2 = 1,000,000 UV vertices
    std::printf("%-44s %12s %12s %8s\n", "step", "100k", "1m", "ratio");
    auto line = [&](const char* name, double a, double b) {
        std::printf("%-44s %12.3f %12.3f %8.2f\n", name, a, b, b / a);
    };
    std::printf("%-44s %12d %12d\n", "UV vertices", small.vertices, large.vertices);
    std::printf("%-44s %12d %12d\n", "atlas triangles", small.triangles, large.triangles);
    line("BuildUVShape", small.build, large.build);
    line("RebuildUVCorrespondence", small.correspondence, large.correspondence);
    line("FindCreaseEdges", small.creases, large.creases);
    line("drag step, all points selected", small.drag, large.drag);
    line("drag step, 10% of the points selected", small.drag10, large.drag10);
    line("transform button (rotate, all points)", small.transform, large.transform);
    line("weld of two points (whole command)", small.weld, large.weld);
    line("RecordHistory", small.record, large.record);
    line("Undo after an edit", small.undo, large.undo);
    auto json = [](const Row& r) {
        return nlohmann::json{{"drag_ms", r.drag},
                              {"transform_ms", r.transform},
                              {"weld_ms", r.weld},
                              {"record_ms", r.record},
                              {"undo_ms", r.undo}};
    };
    const nlohmann::json out = {{"100k", json(small)}, {"1m", json(large)}};
    std::cout << out.dump() << std::endl;
    return 0;
}
