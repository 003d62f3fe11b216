#pragma once
// The free texels of an atlas being packed, as one occupancy bitmap with a free-run table per
// row, so that charts can be dropped into any hole the bitmap has left (under overhangs, inside
// the bend of an L-shaped chart), not only on top of a skyline.

#include <cstdint>
#include <utility>
#include <vector>

namespace brontle::atlas {

// A chart's texels in one orientation, as runs of covered texels per row.
//  rows, cols   size of the mask's box in texels; row 0 is the bottom row.
//  rowStart     rows + 1 offsets into `runs`; row r owns runs [rowStart[r], rowStart[r + 1]).
//  runs         [begin, end) column ranges inside the box, ascending and disjoint per row.
//  widest       per row, the length of its longest run (0 for an empty row).
struct MaskRuns {
    int rows = 0;
    int cols = 0;
    std::vector<int> rowStart;
    std::vector<std::pair<int, int>> runs;
    std::vector<int> widest;
};

// Builds the runs of a row-major mask (rows x cols cells, non-zero = covered).
MaskRuns maskRuns(const std::vector<std::uint8_t>& cells, int rows, int cols);

class FreeSpace {
  public:
    // A width x height bitmap whose outer `border` texels on every side are taken, so nothing is
    // placed closer than that to the edge. Requires width, height >= 1, border >= 0.
    FreeSpace(int width, int height, int border);

    // The lowest, then leftmost, offset (x, y) of the mask's lower-left corner at which none of
    // its texels is taken, considering only offsets with y <= maxY. False when there is none.
    bool findLowest(const MaskRuns& mask, int maxY, int& outX, int& outY) const;

    // Takes every texel within Chebyshev distance `dilation` of a texel of the mask placed at
    // (x, y): the next chart's texels are then more than `dilation` texels from this one's.
    void occupy(const MaskRuns& mask, int x, int y, int dilation);

    bool taken(int x, int y) const { return run_[index(x, y)] <= 0; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_ + 1) +
               static_cast<std::size_t>(x);
    }
    void takeSpan(int y, int x0, int x1);
    void rebuildRow(int y, int x0, int x1);
    bool fitsAt(const MaskRuns& mask, int x, int y, int& skip, int& hint) const;

    int width_;
    int height_;
    // run_[index(x, y)]: for a free texel, the free texels from (x, y) rightwards before the
    // first taken one; for a taken texel, minus the taken texels from there to the next free
    // one, so a search jumps over a taken span in one step. Each row has a taken sentinel
    // column `width_`, so a run never reads past its row.
    std::vector<std::int32_t> run_;
    std::vector<std::int32_t> longest_; // per row, the longest free run
};

} // namespace brontle::atlas
