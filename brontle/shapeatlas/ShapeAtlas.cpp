// Shape::GenerateAtlas: hands the shape's arrays and seams to the atlas engine and writes the
// result back in one whole-array step, so a failure leaves the shape exactly as it was.
#include "brontle/atlas/Atlas.h"
#include "brontle/core/Error.h"
#include "brontle/model/FaultInjection.h"
#include "brontle/model/HostProgress.h"
#include "brontle/model/MemoryBudget.h"
#include "brontle/model/Shape.h"

#include <new>

namespace brontle {

void Shape::GenerateAtlas(DeviceID device, int renderDevice, std::int32_t factorType,
                          std::int32_t factor, std::int32_t width, std::int32_t height,
                          std::int32_t& result) {
    GenerateAtlas(device, renderDevice, factorType, factor, width, height, result, {});
}

void Shape::GenerateAtlas(DeviceID device, int /*renderDevice*/, std::int32_t factorType,
                          std::int32_t factor, std::int32_t width, std::int32_t height,
                          std::int32_t& result, const std::function<void(double)>& progress) {
    hostCall("Shape::GenerateAtlas");
    if (factorType != 0 && factorType != 1) {
        throw Error(ErrorNumber::HostBadArgument,
                    "Atlas factor type " + std::to_string(factorType) +
                        " is neither 0 (Max Stretch) nor 1 (# Charts)",
                    "GenerateAtlas");
    }
    std::vector<SubSelectionEntry> seams;
    if (GetSelectionType(device) == kSelectEdges) {
        seams = GetSubSelection(device).entries;
    }
    // The engine's working arrays (adjacency, charts, solver systems, the packing bitmaps) peak
    // at about 400 bytes per triangle (measured on a million-triangle grid); 450 leaves room.
    constexpr std::uint64_t kAtlasBytesPerTriangle = 450;
    const std::uint64_t corners = cornerVertex().size();
    const std::uint64_t polygons = static_cast<std::uint64_t>(GetPolygonCount());
    const std::uint64_t triangles = corners > 2 * polygons ? corners - 2 * polygons : 0;
    requireMemory(triangles * kAtlasBytesPerTriangle,
                  "The atlas of " + std::to_string(GetPolygonCount()) + " polygons",
                  "GenerateAtlas");
    atlas::MeshView mesh{vertices(), polygonStart(), cornerVertex(), seams};
    atlas::Options options;
    options.factorType =
        factorType == 0 ? atlas::FactorType::MaxStretch : atlas::FactorType::ChartCount;
    options.factor = factor;
    options.width = width;
    options.height = height;
    atlas::Result atlasResult;
    try {
        // A host operation: the window shows its progress and offers Cancel. The engine only
        // reads this shape's arrays, so without a caller's progress function (which must be
        // called on this thread) it may run on a worker while the window repaints; the result
        // is written back here, after it ended.
        progressService().run(
            "Unwrapping " + std::to_string(GetPolygonCount()) + " polygons",
            Error(ErrorNumber::HostCancelled, "The atlas was cancelled", "GenerateAtlas"),
            progress ? WorkThread::Caller : WorkThread::Worker, [&](ProgressReporter& reporter) {
                options.cancel = reporter.cancelFlag();
                atlasResult = atlas::generate(mesh, options, [&](double done) {
                    if (progress) {
                        progress(done);
                    }
                    reporter.report(done);
                });
            });
    } catch (const Error&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw Error(ErrorNumber::OutOfMemory, "Not enough memory for the atlas", "GenerateAtlas");
    } catch (const std::exception& e) {
        throw Error(ErrorNumber::HostAtlasFailed, std::string("The atlas failed: ") + e.what(),
                    "GenerateAtlas");
    }
    assignTexCoords(std::move(atlasResult.texcoords), std::move(atlasResult.cornerTexCoord));
    atlasStatistics_ = {atlasResult.chartCount,
                        atlasResult.utilisation,
                        atlasResult.stretchL2,
                        atlasResult.stretchLinf,
                        std::move(atlasResult.polygonChart),
                        atlasResult.areaRatioP99,
                        atlasResult.flipped,
                        atlasResult.fallbacks};
    result = atlasResult.chartCount;
}

} // namespace brontle
