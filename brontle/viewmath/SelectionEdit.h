#pragma once
// How a pick changes a selection: a plain click replaces it, Shift adds, Ctrl toggles, and a
// Ctrl rubber band removes. Picked items come in groups that change together: one point, or all
// half-edges (polygon, corner) of one undirected edge, so an edge shared by two polygons is
// selected or cleared as one.

#include "brontle/core/SubSelection.h"

#include <span>
#include <vector>

namespace brontle {

enum class PickMode { Replace, Add, Toggle, Remove };

// Ctrl toggles (it wins over Shift), Shift adds, otherwise replace.
PickMode pickModeFor(bool shift, bool ctrl);

// The selection after picking `groups`. Entries compare by (index, corner). Order: entries kept
// from `current` stay in their order, added ones follow in the order given; nothing is listed
// twice. Replace: exactly the groups. Add: current plus the groups. Toggle: a group any of whose
// entries is selected is removed whole, otherwise added whole. Remove: current minus the groups.
SubSelection applyPick(const SubSelection& current,
                       std::span<const std::vector<SubSelectionEntry>> groups, PickMode mode);

} // namespace brontle
