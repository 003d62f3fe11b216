#include "brontle/atlas/FreeSpace.h"

#include <algorithm>
#include <cassert>

namespace brontle::atlas {

MaskRuns maskRuns(const std::vector<std::uint8_t>& cells, int rows, int cols) {
    MaskRuns m;
    m.rows = rows;
    m.cols = cols;
    m.rowStart.assign(rows + 1, 0);
    m.widest.assign(rows, 0);
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* row = cells.data() + static_cast<std::size_t>(r) * cols;
        for (int c = 0; c < cols;) {
            if (!row[c]) {
                ++c;
                continue;
            }
            const int begin = c;
            while (c < cols && row[c])
                ++c;
            m.runs.push_back({begin, c});
            m.widest[r] = std::max(m.widest[r], c - begin);
        }
        m.rowStart[r + 1] = static_cast<int>(m.runs.size());
    }
    return m;
}

FreeSpace::FreeSpace(int width, int height, int border)
    : width_(width), height_(height),
      run_(static_cast<std::size_t>(width + 1) * static_cast<std::size_t>(height), 1),
      longest_(height, 0) {
    assert(width >= 1 && height >= 1 && border >= 0);
    for (int y = 0; y < height; ++y) {
        const bool open = y >= border && y < height - border;
        for (int x = 0; x < width; ++x) {
            if (!open || x < border || x >= width - border)
                takeSpan(y, x, x + 1);
        }
        rebuildRow(y, 0, width + 1);
    }
}

// Marks texels [x0, x1) of row y taken; the caller rebuilds the row's runs.
void FreeSpace::takeSpan(int y, int x0, int x1) {
    std::fill(run_.begin() + static_cast<std::ptrdiff_t>(index(x0, y)),
              run_.begin() + static_cast<std::ptrdiff_t>(index(x1, y)), 0);
}

// Recounts the free and taken runs of row y after texels in [x0, x1) changed (everything from
// x1 on is unchanged; x1 may be width + 1 to count the sentinel too), and the row's longest free
// run. Left of x0 each count depends only on its texel and the count to its right, so the first
// count there that comes out unchanged ends the recount.
void FreeSpace::rebuildRow(int y, int x0, int x1) {
    std::int32_t* row = run_.data() + index(0, y);
    if (x1 > width_) {
        row[width_] = -1;
        x1 = width_;
    }
    for (int x = x1 - 1; x >= 0; --x) {
        const std::int32_t old = row[x];
        if (old <= 0)
            row[x] = row[x + 1] <= 0 ? row[x + 1] - 1 : -1;
        else
            row[x] = row[x + 1] > 0 ? row[x + 1] + 1 : 1;
        if (x < x0 && row[x] == old)
            break;
    }
    longest_[y] = std::max(0, *std::max_element(row, row + width_));
}

// True when the mask fits with its lower-left corner at (x, y). Otherwise `skip` is how far x
// can move right before the texel that blocked this try can be cleared, and `hint` the mask row
// that blocked it: neighbouring offsets are mostly blocked by the same row, so it is tried first.
bool FreeSpace::fitsAt(const MaskRuns& mask, int x, int y, int& skip, int& hint) const {
    auto rowFits = [&](int r) {
        const std::int32_t* row = run_.data() + index(x, y + r);
        for (int k = mask.rowStart[r]; k < mask.rowStart[r + 1]; ++k) {
            const auto [begin, end] = mask.runs[k];
            const int free = row[begin];
            if (free <= 0) {
                // The run starts on a taken span of -free texels: no x' before its end works.
                skip = -free;
                return false;
            }
            if (free < end - begin) {
                // The taken span starting at x + begin + free blocks this run until x' passes
                // its last texel.
                skip = free - row[free + begin];
                return false;
            }
        }
        return true;
    };
    if (!rowFits(hint))
        return false;
    for (int r = 0; r < mask.rows; ++r) {
        if (r != hint && !rowFits(r)) {
            hint = r;
            return false;
        }
    }
    return true;
}

bool FreeSpace::findLowest(const MaskRuns& mask, int maxY, int& outX, int& outY) const {
    const int lastY = std::min(maxY, height_ - mask.rows);
    const int lastX = width_ - mask.cols;
    if (lastX < 0)
        return false;
    // The mask row that blocked the last try is tried first, at the next offset and at the next
    // height too: it is mostly the same row (6 % fewer instructions over a whole packing than
    // starting each height from row 0), and whichever row blocks gives a safe skip, so the spot
    // found is the same.
    int hint = 0;
    for (int y = 0; y <= lastY;) {
        // A row without a free run as long as the mask's row placed on it needs rules out this
        // y at once, and every y that puts an equally wide mask row on it.
        int failed = -1;
        for (int r = 0; r < mask.rows && failed < 0; ++r) {
            if (longest_[y + r] < mask.widest[r])
                failed = r;
        }
        if (failed >= 0) {
            const int f = y + failed;
            int lowest = failed;
            while (lowest > 0 && mask.widest[lowest - 1] > longest_[f])
                --lowest;
            y = f - lowest + 1;
            continue;
        }
        for (int x = 0; x <= lastX;) {
            int skip = 1;
            if (fitsAt(mask, x, y, skip, hint)) {
                outX = x;
                outY = y;
                return true;
            }
            x += skip;
        }
        ++y;
    }
    return false;
}

void FreeSpace::occupy(const MaskRuns& mask, int x, int y, int dilation) {
    const int y0 = std::max(0, y - dilation);
    const int y1 = std::min(height_, y + mask.rows + dilation);
    // Per touched row, the leftmost taken column and one past the rightmost.
    std::vector<int> left(y1 - y0, width_);
    std::vector<int> right(y1 - y0, 0);
    for (int r = 0; r < mask.rows; ++r) {
        for (int k = mask.rowStart[r]; k < mask.rowStart[r + 1]; ++k) {
            const int x0 = std::max(0, x + mask.runs[k].first - dilation);
            const int x1 = std::min(width_, x + mask.runs[k].second + dilation);
            for (int ty = std::max(y0, y + r - dilation); ty < std::min(y1, y + r + dilation + 1);
                 ++ty) {
                takeSpan(ty, x0, x1);
                left[ty - y0] = std::min(left[ty - y0], x0);
                right[ty - y0] = std::max(right[ty - y0], x1);
            }
        }
    }
    for (int ty = y0; ty < y1; ++ty) {
        if (right[ty - y0] > 0)
            rebuildRow(ty, left[ty - y0], right[ty - y0]);
    }
}

} // namespace brontle::atlas
