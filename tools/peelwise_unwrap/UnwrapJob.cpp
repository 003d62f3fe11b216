#include "UnwrapJob.h"

#include "brontle/atlas/Atlas.h"
#include "brontle/io/MeshFile.h"
#include "brontle/model/Error.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/services/FileUtility.h"
#include "brontle/services/InstallFolder.h"
#include "peelwise/editor/HeadlessTexture.h"
#include "peelwise/uv/CreaseEdgesToSubSelection.h"
#include "peelwise/uv/FindCreaseEdges.h"

#include <chrono>
#include <filesystem>

namespace peelwise::tools {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void checkOptions(const UnwrapOptions& o) {
    auto bad = [](const std::string& what) {
        throw brontle::Error(brontle::ErrorNumber::HostBadArgument, what, "peelwise-unwrap");
    };
    if (o.factorType != 0 && o.factorType != 1) {
        bad("the factor type must be stretch or charts");
    }
    if (o.factor < 1 || o.factor > 100) {
        bad("the factor must be a whole number from 1 to 100, not " + std::to_string(o.factor));
    }
    if (o.width < 64 || o.width > 2048 || o.height < 64 || o.height > 2048) {
        bad("the texture size must be 64 to 2048 pixels a side, not " + std::to_string(o.width) +
            " x " + std::to_string(o.height));
    }
    if (!o.textureFile.empty() && brontle::splitPath(o.textureFile).extension != "BMP") {
        bad("the texture " + o.textureFile + " must be a Windows bitmap (.bmp)");
    }
}

// Where shape `index` of `count` has its texture: beside the output mesh (see UnwrapOptions).
std::string texturePathFor(const std::string& output, const std::string& texture, int index,
                           int count) {
    namespace fs = std::filesystem;
    const fs::path name = fs::path(texture).filename();
    fs::path file = name;
    if (count > 1) {
        file = name.stem();
        file += "-" + std::to_string(index + 1);
        file += name.extension();
    }
    return (fs::absolute(fs::path(output)).parent_path() / file).string();
}

// Marks the shape's crease edges as its edge selection in `device`, exactly as the editor marks
// its default seams; returns the number of edge entries.
std::int32_t markCreaseSeams(brontle::SceneGraph& scene, brontle::Shape& shape,
                             brontle::DeviceID device) {
    std::vector<modUV::CreaseEdge> creases;
    std::int32_t count = 0;
    modUV::FindCreaseEdges(scene, shape, creases, count);
    std::vector<std::int32_t> polygons, corners;
    std::int32_t n = 0;
    modUV::CreaseEdgesToSubSelection(shape, creases, count, polygons, corners, n);
    if (n > 0) {
        brontle::SubSelection seams;
        for (std::int32_t i = 0; i < n; ++i) {
            seams.add(polygons[i], corners[i]);
        }
        shape.SetSubSelection(device, brontle::kSelectEdges, seams);
    }
    return n;
}

} // namespace

UnwrapReport unwrapFile(const std::string& input, const std::string& output,
                        const UnwrapOptions& options, const UnwrapProgress& progress) {
    checkOptions(options);
    const auto start = Clock::now();
    // The running host's environment: the continuity texture is read from its install folder.
    auto scene = brontle::SceneGraph::create(
        std::make_shared<brontle::HostEnvironment>(brontle::makeHostEnvironment()));
    brontle::LoadedScene loaded = brontle::loadMeshFile(input, *scene);
    const brontle::DeviceID device = brontle::newDeviceID();
    UnwrapReport report;
    report.file = input;
    const int count = static_cast<int>(loaded.shapes.size());
    for (int i = 0; i < count; ++i) {
        brontle::Shape& shape = *loaded.shapes[i];
        const auto shapeStart = Clock::now();
        ShapeReport r;
        r.name = loaded.shapeNames[i];
        r.polygons = shape.GetPolygonCount();
        brontle::Shape* measured = &shape; // the shape the atlas ran on
        peelwise::HeadlessTextureResult textured;
        try {
            if (!options.textureFile.empty()) {
                peelwise::AtlasRequest request;
                request.device = device;
                request.factorType = options.factorType;
                request.factor = options.factor;
                request.width = options.width;
                request.height = options.height;
                r.texture = texturePathFor(output, options.textureFile, i, count);
                if (progress) {
                    progress(i, count, 0.0);
                }
                textured = peelwise::unwrapWithTexture(scene, loaded.shapes[i], request,
                                                       options.seamsFromCreases, r.texture);
                r.seams = textured.seams;
                measured = textured.atlasCopy.get();
            } else {
                if (options.seamsFromCreases) {
                    r.seams = markCreaseSeams(*scene, shape, device);
                }
                std::int32_t charts = 0;
                shape.GenerateAtlas(device, 0, options.factorType, options.factor, options.width,
                                    options.height, charts, [&](double done) {
                                        if (progress) {
                                            progress(i, count, done);
                                        }
                                    });
            }
        } catch (const brontle::Error& e) {
            throw brontle::Error(e.number(), "shape \"" + r.name + "\": " + e.description(),
                                 e.source());
        }
        const brontle::AtlasStatistics& stats = measured->lastAtlasStatistics();
        r.charts = stats.charts;
        r.utilisation = stats.utilisation;
        r.stretchL2 = stats.stretchL2;
        r.stretchLinf = stats.stretchLinf;
        r.areaRatioP99 = stats.areaRatioP99;
        r.flipped = stats.flipped;
        r.fallbacks = stats.fallbacks;
        brontle::atlas::Result atlas;
        atlas.texcoords = measured->texcoords();
        atlas.cornerTexCoord = measured->cornerTexCoord();
        atlas.polygonChart = stats.polygonChart;
        atlas.chartCount = stats.charts;
        const brontle::atlas::MeshView mesh{
            measured->vertices(), measured->polygonStart(), measured->cornerVertex(), {}};
        r.overlaps =
            brontle::atlas::countOverlappingTexels(mesh, atlas, options.width, options.height);
        shape.ClearSubSelection(device);
        measured->ClearSubSelection(device);
        r.seconds = secondsSince(shapeStart);
        report.shapes.push_back(std::move(r));
        if (progress) {
            progress(i, count, 1.0);
        }
    }
    brontle::saveMeshFile(output, loaded.shapes, loaded.shapeNames);
    report.seconds = secondsSince(start);
    return report;
}

} // namespace peelwise::tools
