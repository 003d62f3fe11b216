#pragma once
// Where each weld command sends its points, and which points it moves.
//
//  WeldKind::Selection   ("Weld Selection")            mean of the selected points
//  WeldKind::ToSelected  ("Weld Selected Points to First Selected Point")  first selected point
//  WeldKind::Nearest     ("Weld Nearest Point")         first selected point; the nearest other
//                                                       point joins the list
//  WeldKind::ToNearest   ("Weld to Nearest Point")      the nearest other point, which joins the
//                                                       list
// `positions` holds every UV vertex position (GetVertices); list entries index it.

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"

#include <cstdint>
#include <span>

namespace peelwise::modUV {

enum class WeldKind { Selection, ToSelected, Nearest, ToNearest };

// Mean of the listed points: sums accumulate in single precision in list order, each divided by
// the count in double precision and rounded to single; z = 0. Throws brontle::Error (source
// "modUV"): subscript out of range (9) for an empty list or an index without a position.
brontle::Vector3 weldTargetMean(const brontle::SubSelection& points,
                                std::span<const brontle::Vector3> positions);

// The vertex nearest to `first` among those not lying on it: vertices within 0.0001 of `first`
// on every axis (boundary included, differences in single precision) are skipped; the distance
// is sqrt(dy^2 + dx^2 + dz^2) of single-precision differences, summed in double and rounded to
// single; the best starts at 1e14 and only a strictly smaller distance replaces it, so ties keep
// the lowest index. Returns -1 when every vertex lies on `first`.
std::int32_t findNearestOtherPoint(std::span<const brontle::Vector3> positions,
                                   const brontle::Vector3& first);

// The target of a weld command; for the two nearest-point kinds appends the nearest other point
// to `points`. Throws brontle::Error (source "modUV"), nothing changed: subscript out of range
// (9) when `points` is empty or names a missing position, or when no other point exists for a
// nearest-point kind.
brontle::Vector3 chooseWeldTarget(WeldKind kind, brontle::SubSelection& points,
                                  std::span<const brontle::Vector3> positions);

} // namespace peelwise::modUV
