#pragma once
// The editor's bounded undo and redo history of UV edits: up to 20 recorded states, each a
// complete copy of the working (source) shape, of the UV shape and of the atlas shape plus the
// sub-selections of the 3D preview and of the UV view. The atlas shape is part of a state
// because the edits write its texture coordinates and a weld re-points its corners: without it
// an undone weld would still reach the user's shape through OK.
//
// position() is where the next state is written; the state before the current one is at
// position() - 1. Undo is possible when count() > 0 and position() > 0, Redo when count() > 0
// and position() < count() - 1. Copies are CreateShape + AppendShape, which share the shapes'
// arrays until one side edits, so a state costs little until the next edit.
//
// Errors from the host are raised again unchanged; undo() and redo() without a state to go to
// throw brontle::Error subscript out of range (9), source "EditHistory", before changing
// anything.

#include "brontle/core/Records.h"
#include "brontle/core/SubSelection.h"
#include "brontle/model/Forward.h"

#include <cstdint>
#include <vector>

namespace peelwise {

// One recorded state. Kinds and selections stay 0 / empty when the view had no selected shape.
struct HistoryEntry {
    brontle::ShapePtr sourceCopy;
    brontle::ShapePtr uvCopy;
    brontle::ShapePtr atlasCopy; // empty when the target had no atlas shape
    std::int32_t previewKind = 0;
    brontle::SubSelection previewSelection;
    std::int32_t uvKind = 0;
    brontle::SubSelection uvSelection;
};

// What a state is taken from and restored into: the scene graph, the two views, the shapes
// (restored in place, so every reference to them stays valid) and the UV vertex cache, which a
// restore refills from the restored UV shape. `atlas` may be null (no atlas shape yet); a state
// recorded without one restores none. The atlas shape keeps no view selection over a restore:
// both views' selections are cleared first and come back only on the source and UV shapes.
struct HistoryTarget {
    brontle::SceneGraph& scene;
    brontle::DeviceID previewDevice;
    brontle::DeviceID uvDevice;
    brontle::Shape& source;
    brontle::Shape& uv;
    std::vector<brontle::Vector3>& uvPositions;
    brontle::Shape* atlas = nullptr;
};

class EditHistory {
  public:
    static constexpr std::int32_t kCapacity = 20;

    std::int32_t count() const { return count_; }
    std::int32_t position() const { return position_; }
    bool canUndo() const { return count_ > 0 && position_ > 0; }
    bool canRedo() const { return count_ > 0 && position_ < count_ - 1; }
    const HistoryEntry& entry(std::int32_t index) const { return entries_.at(index); }
    // The count() recorded states, the oldest first.
    const std::vector<HistoryEntry>& entries() const { return entries_; }

    // Forgets every state (a new layout).
    void clear();
    // Records the present state at position(): drops the oldest state when the history is full
    // and at its end, discards the redo states above the position, then position() and count()
    // both become position() + 1.
    void record(HistoryTarget& target);
    // Steps back: records the present first when it is not recorded yet (position() == count()),
    // so Redo can return to it, then restores the state at position() - 1.
    void undo(HistoryTarget& target);
    // Steps forward: restores the state at position() + 1.
    void redo(HistoryTarget& target);

  private:
    void restore(const HistoryEntry& entry, HistoryTarget& target) const;

    std::vector<HistoryEntry> entries_;
    std::int32_t count_ = 0;
    std::int32_t position_ = 0;
};

} // namespace peelwise
