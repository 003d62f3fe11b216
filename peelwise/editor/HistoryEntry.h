#pragma once
// One recorded state of the editor's undo history: complete copies of the working shape and of
// the UV layout shape, and the sub-selections of both views when it was recorded. Restoring it
// replaces both shapes' contents and both selections at once.

#include "brontle/model/Forward.h"
#include "brontle/model/SubSelection.h"

#include <cstdint>

namespace peelwise {

struct HistoryEntry {
    brontle::ShapePtr sourceCopy; // a new shape holding a copy of csSourceShape
    brontle::ShapePtr uvCopy;     // a new shape holding a copy of csUVShape
    // Sub-selection kind and entries of the first shape selected in each view; kind 0 and no
    // entries when that view had no selected shape.
    std::int32_t previewKind = 0;
    brontle::SubSelection previewSelection;
    std::int32_t uvKind = 0;
    brontle::SubSelection uvSelection;
};

} // namespace peelwise
