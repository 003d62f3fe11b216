#pragma once
// The free texels of an atlas being packed, as an occupancy bitmap of 64-bit words, so that
// charts can be dropped into any hole the bitmap has left (under overhangs, inside the bend of an
// L-shaped chart), not only on top of a skyline.
//
// Besides the free bits themselves, every row keeps the free bits eroded to runs of 2, 4, 8, ...
// texels (bit x of level k is set when texels x .. x + 2^k - 1 are all free). Whether a run of
// any length n fits at x is then two level-k words ANDed (2^k <= n < 2^(k + 1)), so a search tests
// one mask row against 64 offsets at once. Rows are stored on first change only: untouched rows
// share one pattern, so a fresh bitmap costs nothing per texel.

#include <cstdint>
#include <memory>
#include <unordered_map>
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
// The same into `m`, reusing its memory.
void maskRunsInto(const std::vector<std::uint8_t>& cells, int rows, int cols, MaskRuns& m);

class FreeSpace {
  public:
    // A width x height bitmap whose outer `border` texels on every side are taken, so nothing is
    // placed closer than that to the edge. `longestRun` bounds the run lengths of the masks that
    // will be searched for (0: the width); it only saves memory. Requires width, height >= 1,
    // border >= 0.
    FreeSpace(int width, int height, int border, int longestRun = 0);

    // The lowest, then leftmost, offset (x, y) of the mask's lower-left corner at which none of
    // its texels is taken, considering only offsets with minY <= y <= maxY. False when there is
    // none.
    bool findLowest(const MaskRuns& mask, int maxY, int& outX, int& outY, int minY = 0) const;

    // A lower bound on the lowest y at which a solid w x h rectangle fits (the exact lowest y
    // when it is at most maxY; maxY + 1 when it is higher). Texels are only ever taken, so the
    // lowest spot of a rectangle only rises: each size remembers its last answer and searches on
    // from there. A mask holding such a rectangle at height oy cannot fit below the answer - oy.
    int lowestRectangle(int w, int h, int maxY);

    // Takes every texel within Chebyshev distance `dilation` of a texel of the mask placed at
    // (x, y): the next chart's texels are then more than `dilation` texels from this one's.
    void occupy(const MaskRuns& mask, int x, int y, int dilation);

    bool taken(int x, int y) const { return ((row(y)[x >> 6] >> (x & 63)) & 1u) == 0; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    // Level k of row y: words_ words, bit x set when texels x .. x + 2^k - 1 are free.
    const std::uint64_t* row(int y, int level = 0) const {
        return rows_[y] + static_cast<std::size_t>(level) * words_;
    }
    std::uint64_t* ownRow(int y);
    void rebuildLevels(int y, int w0, int w1);
    void updateLongest(int y);
    bool rowFits(const MaskRuns& mask, int r, int y, std::uint64_t& active) const;
    // Recomputes the nonzero bits of the level words rebuildLevels(y, w0, w1) recomputed.
    void updateNonzero(int y, int w0, int w1);

    int width_;
    int height_;
    int words_;                         // words per level of a row, one past the last texel's word
    int levels_;                        // levels per row
    std::vector<std::uint64_t> shared_; // the untouched open row, then the untouched border row
    std::unique_ptr<std::uint64_t[]> pool_; // rows stored once they change, levels_ x words_ each
    int pooled_ = 0;
    std::vector<const std::uint64_t*> rows_; // per row, its levels (shared or pooled)
    std::vector<std::uint8_t> own_;          // per row, whether it is pooled
    std::vector<std::int32_t> longest_;      // per row, the longest free run
    std::vector<std::int32_t> longestAt_;    // per row, where that run starts
    // Per row, the length of its longest free run other than that one, and where it starts.
    std::vector<std::int32_t> secondLongest_;
    std::vector<std::int32_t> secondLongestAt_;
    // Per row and level, bit w set when word w of the level is not zero: a search only visits
    // words where some run of the length it needs starts (at most 64 words: width <= 4000).
    std::vector<std::uint64_t> nonzero_;
    mutable std::vector<std::uint64_t> candidates_; // scratch of findLowest: one bit per offset
    // Per mask height, the order in which findLowest tests the rows of such a mask.
    mutable std::vector<std::vector<int>> rowOrders_;
    mutable std::vector<int> widestAt_; // scratch of findLowest: per mask row, its widest run
    std::unordered_map<std::uint64_t, std::int32_t> rectangleFloor_; // lowestRectangle's answers
    MaskRuns rectangle_;                                             // its probe
    std::vector<std::uint64_t> spans_;                               // scratch of occupy
};

} // namespace brontle::atlas
