#pragma once
// The UV procedures written step by step through the host's per-element operations, exactly as
// they are described: the oracles that the whole-array forms must match bit for bit.

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"

#include <cstdint>
#include <span>
#include <vector>

namespace uv_testing {

brontle::ShapePtr literalBuildUVShape(brontle::SceneGraph& scene, brontle::Shape& atlas,
                                      std::span<const std::int32_t> polygonIndices);

void literalRebuildUVCorrespondence(brontle::Shape& uvShape, brontle::Shape& atlas,
                                    std::vector<std::int32_t>& table);

void literalTransformUVPoints(brontle::SceneGraph& scene, brontle::DeviceID device,
                              brontle::Shape& uvShape, brontle::Shape* atlas,
                              std::vector<std::int32_t>& table, int mode, float amountX,
                              float amountY, bool lockX, bool lockY);

void literalWeldUVPoints(brontle::Vector3 target, const brontle::SubSelection& points,
                         brontle::Shape& uvShape, std::vector<brontle::Vector3>& positions,
                         brontle::Shape& atlas, std::vector<std::int32_t>& table);

// Every flat array of the two shapes is identical, and their material tables hold materials of
// identical colours and values in the same order.
void expectSameShape(const brontle::Shape& actual, const brontle::Shape& expected);

} // namespace uv_testing
