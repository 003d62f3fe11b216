#pragma once
// Texts of the two read-out labels of the UV view (lblX, lblY): a fixed prefix followed by a
// number in the "0.000" format (formatNumber). Labels show U = x and V = 1 - y.

#include "peelwise/uv/DragResult.h"

#include "brontle/core/Records.h"

#include <optional>
#include <string>

namespace peelwise::modUV {

struct Readout {
    std::string x; // lblX
    std::string y; // lblY
    friend bool operator==(const Readout&, const Readout&) = default;
};

// "Position X: " + x, "Y: " + (1 - y).
Readout positionReadout(const brontle::Vector3& point, char separator = '.');
// "Move X: " + dx, "Y: " + (-dy): the change of v.
Readout moveReadout(float dx, float dy, char separator = '.');
// "Scale X: " + fx, "Y: " + fy.
Readout scaleReadout(float fx, float fy, char separator = '.');
// A move step's labels: none when dx, dy and dz are all 0 (the labels keep their text), the
// point's position when one point is selected, else the move.
std::optional<Readout> dragMoveReadout(const DragResult& result, float dx, float dy, float dz,
                                       char separator = '.');

} // namespace peelwise::modUV
