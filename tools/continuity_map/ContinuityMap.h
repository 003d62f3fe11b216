#pragma once
// The continuity texture: a colour grid shown behind a UV layout, so that stretching, seams and
// flipped charts are visible at a glance once it is mapped onto a shape.
//
// 8 x 8 cells. The hue goes round the colour wheel from column to column (0, 45, ... 315
// degrees, saturation 0.8), and the brightness falls from row to row (value 1.0 in the top row,
// 0.08 less per row), so every cell differs from each of its neighbours. Dark grid lines
// separate the cells, and each cell carries its name in its top-left corner: a column letter
// A..H and a row digit 1..8 ("A1" top left), drawn as strokes so that no font is needed.

#include <QColor>
#include <QImage>

namespace continuity {

inline constexpr int GridCells = 8;

// The fill colour of the cell in `column` and `row` (0..7 each).
QColor cellColour(int column, int row);
// The whole texture, `size` x `size` pixels in RGB32 (saved as a 24-bit bitmap). `size` must be
// at least 64.
QImage drawContinuityMap(int size);

} // namespace continuity
