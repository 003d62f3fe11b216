#include "brontle/viewmath/SelectionEdit.h"

#include <cstdint>
#include <set>
#include <utility>

namespace brontle {

namespace {

using Key = std::pair<std::int32_t, std::int32_t>;
Key keyOf(const SubSelectionEntry& e) {
    return {e.index, e.corner};
}

} // namespace

PickMode pickModeFor(bool shift, bool ctrl) {
    if (ctrl) {
        return PickMode::Toggle;
    }
    return shift ? PickMode::Add : PickMode::Replace;
}

SubSelection applyPick(const SubSelection& current,
                       std::span<const std::vector<SubSelectionEntry>> groups, PickMode mode) {
    std::set<Key> selected;
    for (const SubSelectionEntry& e : current.entries) {
        selected.insert(keyOf(e));
    }
    std::set<Key> removed;
    std::vector<SubSelectionEntry> added;
    for (const auto& group : groups) {
        bool anySelected = false;
        for (const SubSelectionEntry& e : group) {
            anySelected = anySelected || selected.count(keyOf(e)) > 0;
        }
        const bool remove = mode == PickMode::Remove || (mode == PickMode::Toggle && anySelected);
        for (const SubSelectionEntry& e : group) {
            if (remove) {
                removed.insert(keyOf(e));
            } else {
                added.push_back(e);
            }
        }
    }
    SubSelection out;
    std::set<Key> listed;
    auto push = [&](const SubSelectionEntry& e) {
        if (listed.insert(keyOf(e)).second) {
            SubSelectionEntry clean;
            clean.index = e.index;
            clean.corner = e.corner;
            out.entries.push_back(clean);
        }
    };
    if (mode != PickMode::Replace) {
        for (const SubSelectionEntry& e : current.entries) {
            if (removed.count(keyOf(e)) == 0) {
                push(e);
            }
        }
    }
    for (const SubSelectionEntry& e : added) {
        push(e);
    }
    return out;
}

} // namespace brontle
