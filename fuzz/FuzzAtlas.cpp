// Fuzzes atlas::generate on small meshes built from the bytes: any vertex count up to 64,
// positions that are grid points (so real charts form), arbitrary floats, or NaN, infinities
// and huge or tiny values; polygons of 0..8 corners with in-range or arbitrary indices; seams
// naming any polygon and corner; small textures and any factor. Bad meshes and options must
// raise brontle::Error; a result must hold one in-range coordinate index per corner.

#include "brontle/atlas/Atlas.h"
#include "brontle/core/Error.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

float coordinate(FuzzedDataProvider& in, bool finiteOnly) {
    constexpr float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity(),
                                  std::numeric_limits<float>::max(),
                                  -std::numeric_limits<float>::max(),
                                  std::numeric_limits<float>::denorm_min(),
                                  1e-30f,
                                  1e30f,
                                  0.0f,
                                  -0.0f};
    const std::uint8_t kind = in.ConsumeIntegral<std::uint8_t>();
    if (kind < 16) {
        const float special = kSpecial[kind % std::size(kSpecial)];
        return finiteOnly && !std::isfinite(special) ? 1e30f : special;
    }
    if (kind < 200) { // mostly small grid values, so that meshes with area are common
        return 0.25f * static_cast<float>(in.ConsumeIntegralInRange<int>(-16, 16));
    }
    const float any = in.ConsumeFloatingPoint<float>();
    return finiteOnly && !std::isfinite(any) ? 0.0f : any;
}

std::int32_t vertexIndex(FuzzedDataProvider& in, int vertexCount, bool inRange) {
    if (vertexCount > 0 && (inRange || in.ConsumeIntegralInRange<int>(0, 15) != 0)) {
        return in.ConsumeIntegralInRange<std::int32_t>(0, vertexCount - 1);
    }
    return in.ConsumeIntegral<std::int32_t>();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    // Half the inputs keep to what validation accepts (finite positions, 3..8 in-range
    // corners), so that random bytes reach segmentation, flattening and packing instead of
    // nearly always stopping at the first bad polygon.
    const bool wellFormed = in.ConsumeBool();
    brontle::atlas::Options options;
    options.factorType = static_cast<brontle::atlas::FactorType>(in.ConsumeIntegralInRange(-1, 2));
    options.factor = in.ConsumeIntegralInRange(-1, 101);
    options.width = in.ConsumeIntegralInRange(60, 256);
    options.height = in.ConsumeIntegralInRange(60, 256);
    options.gutter = in.ConsumeIntegralInRange(1, 8);
    options.threads = in.ConsumeIntegralInRange(0, 2);

    const int vertexCount = in.ConsumeIntegralInRange(0, 64);
    std::vector<brontle::Vector3> positions(static_cast<std::size_t>(vertexCount));
    for (brontle::Vector3& p : positions) {
        p = {coordinate(in, wellFormed), coordinate(in, wellFormed), coordinate(in, wellFormed)};
    }

    const int polygonCount = in.ConsumeIntegralInRange(0, 64);
    std::vector<std::int32_t> polygonStart{0};
    std::vector<std::int32_t> cornerVertex;
    for (int p = 0; p < polygonCount; ++p) {
        const int corners = in.ConsumeIntegralInRange(wellFormed ? 3 : 0, 8);
        for (int c = 0; c < corners; ++c) {
            cornerVertex.push_back(vertexIndex(in, vertexCount, wellFormed));
        }
        polygonStart.push_back(static_cast<std::int32_t>(cornerVertex.size()));
    }

    std::vector<brontle::SubSelectionEntry> seams(in.ConsumeIntegralInRange<std::size_t>(0, 16));
    for (brontle::SubSelectionEntry& seam : seams) {
        const bool inRange = polygonCount > 0 && in.ConsumeBool();
        seam.index = inRange ? in.ConsumeIntegralInRange(0, polygonCount - 1)
                             : in.ConsumeIntegral<std::int32_t>();
        seam.corner =
            in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 8) : in.ConsumeIntegral<std::int32_t>();
    }

    const brontle::atlas::MeshView mesh{positions, polygonStart, cornerVertex, seams};
    try {
        const brontle::atlas::Result result = brontle::atlas::generate(mesh, options);
        // The contract every caller relies on: one coordinate index per corner, in range.
        if (result.cornerTexCoord.size() != cornerVertex.size()) {
            std::abort();
        }
        for (const std::int32_t t : result.cornerTexCoord) {
            if (t < 0 || static_cast<std::size_t>(t) >= result.texcoords.size()) {
                std::abort();
            }
        }
        for (const brontle::Vector2& uv : result.texcoords) {
            if (!(uv.u >= 0.0f && uv.u <= 1.0f && uv.v >= 0.0f && uv.v <= 1.0f)) {
                std::abort();
            }
        }
    } catch (const brontle::Error&) {
    }
    return 0;
}
