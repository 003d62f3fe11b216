#include "UnwrapJob.h"

#include "OutputFiles.h"

#include "brontle/atlas/Atlas.h"
#include "brontle/core/Error.h"
#include "brontle/io/MeshFile.h"
#include "brontle/model/AtomicFiles.h"
#include "brontle/model/HostEnvironment.h"
#include "brontle/model/Material.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"
#include "brontle/model/Texture.h"
#include "brontle/services/InstallFolder.h"
#include "peelwise/texture/HeadlessTexture.h"
#include "peelwise/texture/LayoutTexture.h"
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

// The polygons [first, last) of `whole` as a shape's arrays of their own (only the vertices,
// normals and texture coordinates they use, renumbered in first use; the whole material table).
brontle::ShapeArrays polygonRange(const brontle::Shape& whole, std::int32_t first,
                                  std::int32_t last) {
    brontle::ShapeArrays out;
    const auto& start = whole.polygonStart();
    std::vector<std::int32_t> vertexMap(whole.vertices().size(), -1),
        normalMap(whole.normals().size(), -1), texcoordMap(whole.texcoords().size(), -1);
    auto take = [](std::vector<std::int32_t>& map, auto& pool, const auto& source,
                   std::int32_t index) {
        if (map[index] < 0) {
            map[index] = static_cast<std::int32_t>(pool.size());
            pool.push_back(source[index]);
        }
        return map[index];
    };
    for (std::int32_t p = first; p < last; ++p) {
        for (std::int32_t k = start[p]; k < start[p + 1]; ++k) {
            out.cornerVertex.push_back(
                take(vertexMap, out.vertices, whole.vertices(), whole.cornerVertex()[k]));
            out.cornerNormal.push_back(
                take(normalMap, out.normals, whole.normals(), whole.cornerNormal()[k]));
            out.cornerTexCoord.push_back(
                take(texcoordMap, out.texcoords, whole.texcoords(), whole.cornerTexCoord()[k]));
        }
        out.polygonStart.push_back(static_cast<std::int32_t>(out.cornerVertex.size()));
        out.polygonTag.push_back(whole.polygonTag()[p]);
        out.polygonMaterial.push_back(whole.polygonMaterial()[p]);
    }
    out.materials = whole.materials();
    return out;
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
                        const UnwrapOptions& options, const UnwrapProgress& progress,
                        const UnwrapStage& stage) {
    const OutputPlan plan = planOutputs(input, output, options); // before any work
    const auto start = Clock::now();
    if (stage) {
        stage("loading " + printable(input));
    }
    // The running host's environment: the continuity texture is read from its install folder.
    auto scene = brontle::SceneGraph::create(
        std::make_shared<brontle::HostEnvironment>(brontle::makeHostEnvironment()));
    brontle::LoadedScene loaded = brontle::loadMeshFile(input, *scene);
    UnwrapReport report;
    report.file = input;
    if (loaded.repairedPolygons > 0) {
        report.warnings.push_back({"polygons with repeated corners were repaired (the repeats "
                                   "removed)",
                                   loaded.repairedPolygons});
    }
    if (loaded.droppedPolygons > 0) {
        report.warnings.push_back(
            {"polygons with fewer than 3 distinct corners were left out", loaded.droppedPolygons});
    }
    for (const std::string& warning : loaded.warnings) {
        report.warnings.push_back({printable(warning), 1});
    }

    // The outputs against the files the input uses, before the unwrap.
    std::vector<std::string> textures;
    for (const brontle::ShapePtr& shape : loaded.shapes) {
        for (const brontle::MaterialPtr& material : shape->materials()) {
            if (material && material->texture() && !material->texture()->file().empty()) {
                textures.push_back(material->texture()->file());
            }
        }
    }
    // With one atlas for the whole file, the shapes are unwrapped as one and split again.
    std::vector<brontle::ShapePtr> work = loaded.shapes;
    std::vector<std::string> workNames = loaded.shapeNames;
    std::vector<std::int32_t> firstPolygon;
    if (options.sharedAtlas && loaded.shapes.size() > 1) {
        brontle::ShapePtr whole = scene->CreateShape();
        for (const brontle::ShapePtr& shape : loaded.shapes) {
            firstPolygon.push_back(whole->GetPolygonCount());
            whole->AppendShape(*shape);
        }
        firstPolygon.push_back(whole->GetPolygonCount());
        work = {whole};
        workNames = {std::filesystem::path(input).stem().string()};
    }
    const int count = static_cast<int>(work.size());
    std::vector<std::string> outputs = plan.meshFiles;
    if (!options.textureFile.empty()) {
        for (int i = 0; i < count; ++i) {
            outputs.push_back(texturePathFor(plan, options, i, count));
            brontle::checkReplaceable(outputs.back(), "peelwise-unwrap");
        }
    }
    checkOverwrites(outputs, referencedFiles(input, textures), options.force);

    brontle::FileGroup commit("peelwise-unwrap");
    const brontle::DeviceID device = brontle::newDeviceID();
    for (int i = 0; i < count; ++i) {
        brontle::Shape& shape = *work[i];
        const auto shapeStart = Clock::now();
        ShapeReport r;
        r.name = workNames[i];
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
                r.texture = texturePathFor(plan, options, i, count);
                if (progress) {
                    progress(i, count, 0.0);
                }
                // The texture's material replaces the shape's; a shape of one named material
                // keeps that name for it.
                std::string keptName;
                for (const brontle::MaterialPtr& m : shape.materials()) {
                    if (m && !m->name().empty()) {
                        keptName = keptName.empty() || keptName == m->name() ? m->name() : "\n";
                    }
                }
                textured = peelwise::unwrapWithTexture(scene, work[i], request,
                                                       options.seamsFromCreases, r.texture);
                r.seams = textured.seams;
                measured = textured.atlasCopy.get();
                // The texture joins the outputs' commit.
                peelwise::addTextureFile(commit, r.texture, textured.texture);
                const brontle::MaterialPtr material = shape.GetMaterialByIndex(0);
                if (material->name().empty() && keptName != "\n") {
                    material->SetName(keptName);
                }
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
            throw brontle::Error(
                e.number(), "shape \"" + printable(r.name) + "\": " + e.description(), e.source());
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
    if (!firstPolygon.empty()) {
        // Back into the file's shapes, polygon ranges in the order they were appended.
        const brontle::Shape& whole = *work.front();
        if (whole.GetPolygonCount() != firstPolygon.back()) {
            throw brontle::Error(brontle::ErrorNumber::HostAtlasFailed,
                                 "the shared atlas changed the number of polygons (" +
                                     std::to_string(firstPolygon.back()) + " before, " +
                                     std::to_string(whole.GetPolygonCount()) + " after)",
                                 "peelwise-unwrap");
        }
        for (std::size_t s = 0; s < loaded.shapes.size(); ++s) {
            loaded.shapes[s]->assignArrays(
                polygonRange(whole, firstPolygon[s], firstPolygon[s + 1]));
        }
    }
    if (stage) {
        stage("writing " + printable(output));
    }
    for (const auto& [file, content] :
         brontle::meshFileContents(output, loaded.shapes, loaded.shapeNames)) {
        commit.add(file, content);
    }
    commit.commit();
    report.seconds = secondsSince(start);
    return report;
}

} // namespace peelwise::tools
