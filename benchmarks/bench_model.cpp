// Whole-array operations of the host model on a mesh of about 1,000,000 triangles, each as a
// ratio to a plain memcpy of the same arrays measured in the same run:
//   copy       CreateShape + AppendShape (arrays shared until written) and, for reference, an
//              append into a non-empty shape (a real copy with offset indices);
//   topology   GetTopology (vertex-to-polygon lists by counting sort);
//   transform  Translate + Scale.
#include "BenchTiming.h"

#include "brontle/model/Shape.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstring>
#include <iostream>

using namespace brontle;

namespace {

ShapePtr triangleGrid(int n) {
    ShapeArrays a;
    a.vertices.reserve(std::size_t(n + 1) * (n + 1));
    for (int y = 0; y <= n; ++y) {
        for (int x = 0; x <= n; ++x) {
            a.vertices.push_back({float(x), float(y), 0.0f});
        }
    }
    a.normals = {{0, 0, 1}};
    a.texcoords = {{0, 0}};
    auto add = [&](int v0, int v1, int v2) {
        for (int v : {v0, v1, v2}) {
            a.cornerVertex.push_back(v);
            a.cornerNormal.push_back(0);
            a.cornerTexCoord.push_back(0);
        }
        a.polygonStart.push_back(static_cast<std::int32_t>(a.cornerVertex.size()));
    };
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const int v = y * (n + 1) + x;
            add(v, v + 1, v + n + 2);
            add(v, v + n + 2, v + n + 1);
        }
    }
    ShapePtr shape = Shape::create();
    shape->assignArrays(std::move(a));
    return shape;
}

template <class T> std::size_t bytesOf(const std::vector<T>& v) { return v.size() * sizeof(T); }

} // namespace

int main() {
    const ShapePtr shape = triangleGrid(708); // 1,002,528 triangles
    const std::size_t bytes = bytesOf(shape->vertices()) + bytesOf(shape->normals()) +
                              bytesOf(shape->texcoords()) + bytesOf(shape->polygonStart()) +
                              3 * bytesOf(shape->cornerVertex()) + bytesOf(shape->polygonTag()) +
                              bytesOf(shape->polygonMaterial());
    std::vector<char> from(bytes, 1), to(bytes);
    const double memcpyMs = bench::medianMilliseconds(9, [&] {
        std::memcpy(to.data(), from.data(), bytes);
        asm volatile("" ::"r"(to.data()) : "memory");
    });
    const double copyMs = bench::medianMilliseconds(9, [&] {
        ShapePtr copy = Shape::create();
        copy->AppendShape(*shape);
    });
    const double deepCopyMs = bench::medianMilliseconds(5, [&] {
        ShapePtr copy = Shape::create();
        copy->AddVertex({0, 0, 0});
        copy->AppendShape(*shape);
    });
    const double topologyMs = bench::medianMilliseconds(5, [&] {
        Topology t = shape->GetTopology();
        asm volatile("" ::"r"(t.vertexPolygons.data()) : "memory");
    });
    ShapePtr moving = Shape::create();
    moving->AppendShape(*shape);
    moving->Translate({0, 0, 0}); // take the arrays' own copy before timing
    // Translate + Scale touch the vertex and normal arrays; compare with a memcpy of those.
    const std::size_t transformBytes = bytesOf(shape->vertices()) + bytesOf(shape->normals());
    const double transformMemcpyMs = bench::medianMilliseconds(9, [&] {
        std::memcpy(to.data(), from.data(), transformBytes);
        asm volatile("" ::"r"(to.data()) : "memory");
    });
    const double transformMs = bench::medianMilliseconds(9, [&] {
        moving->Translate({1.0f, -2.0f, 0.5f});
        moving->Scale({0.5f, 0.5f, 0.5f});
    });

    std::printf("bench_model: %d triangles, %d vertices, %.1f MB of arrays\n",
                shape->GetPolygonCount(), shape->GetVertexCount(), bytes / 1e6);
    std::printf("%-34s %10s %10s\n", "operation", "ms", "x memcpy");
    std::printf("%-34s %10.3f %10s\n", "memcpy of all arrays", memcpyMs, "1");
    std::printf("%-34s %10.3f %10.3f\n", "AppendShape into empty (shared)", copyMs,
                copyMs / memcpyMs);
    std::printf("%-34s %10.3f %10.3f\n", "AppendShape into non-empty (copy)", deepCopyMs,
                deepCopyMs / memcpyMs);
    std::printf("%-34s %10.3f %10.3f\n", "GetTopology", topologyMs, topologyMs / memcpyMs);
    std::printf("%-34s %10.3f %10.3f\n", "Translate + Scale (vs memcpy of v+n)", transformMs,
                transformMs / transformMemcpyMs);
    nlohmann::json out = {{"copy_ratio", copyMs / memcpyMs},
                          {"deep_copy_ratio", deepCopyMs / memcpyMs},
                          {"topology_ratio", topologyMs / memcpyMs},
                          {"transform_ratio", transformMs / transformMemcpyMs}};
    std::cout << out.dump() << std::endl;
    return 0;
}
