#pragma once
// A view's sub-selection of one shape: entries and their kind (see SelectionKind). The record
// also has a second list that plug-ins leave empty; it is kept for completeness and never read.

#include "brontle/core/Records.h"

#include <cstdint>
#include <vector>

namespace brontle {

struct SubSelection {
    std::vector<SubSelectionEntry> entries;
    std::vector<SubSelectionEntry> secondary;

    std::int32_t count() const { return static_cast<std::int32_t>(entries.size()); }
    bool empty() const { return entries.empty(); }

    void add(std::int32_t index, std::int32_t corner = 0) {
        SubSelectionEntry entry;
        entry.index = index;
        entry.corner = corner;
        entries.push_back(entry);
    }

    friend bool operator==(const SubSelection&, const SubSelection&) = default;
};

} // namespace brontle
