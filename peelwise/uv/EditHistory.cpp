#include "peelwise/uv/EditHistory.h"

#include "brontle/core/Error.h"
#include "brontle/model/SceneGraph.h"
#include "brontle/model/Shape.h"

namespace peelwise {

using namespace brontle;

void EditHistory::clear() {
    entries_.clear();
    count_ = 0;
    position_ = 0;
}

void EditHistory::record(HistoryTarget& target) {
    if (position_ == count_ && count_ == kCapacity) {
        entries_.erase(entries_.begin());
        --count_;
        --position_;
    }
    HistoryEntry entry;
    entry.sourceCopy = target.scene.CreateShape();
    entry.sourceCopy->AppendShape(target.source);
    entry.uvCopy = target.scene.CreateShape();
    entry.uvCopy->AppendShape(target.uv);
    if (target.atlas != nullptr) {
        entry.atlasCopy = target.scene.CreateShape();
        entry.atlasCopy->AppendShape(*target.atlas);
    }
    if (target.scene.GetSelectedShapeCount(target.previewDevice) >= 1) {
        entry.previewKind = target.scene.GetSubSelectionKind(target.previewDevice);
        entry.previewSelection = target.scene.GetSelectedShape(target.previewDevice, 0)
                                     ->GetSubSelection(target.previewDevice);
    }
    if (target.scene.GetSelectedShapeCount(target.uvDevice) >= 1) {
        entry.uvKind = target.scene.GetSubSelectionKind(target.uvDevice);
        entry.uvSelection =
            target.scene.GetSelectedShape(target.uvDevice, 0)->GetSubSelection(target.uvDevice);
    }
    // The redo states above the position go; the new state takes the position.
    entries_.resize(static_cast<std::size_t>(position_));
    entries_.push_back(std::move(entry));
    ++position_;
    count_ = position_;
}

void EditHistory::undo(HistoryTarget& target) {
    if (!canUndo()) {
        throw Error(ErrorNumber::SubscriptOutOfRange, "There is no edit to undo", "EditHistory");
    }
    if (position_ == count_) {
        record(target);
        --position_;
    }
    restore(entries_[position_ - 1], target);
    --position_;
}

void EditHistory::redo(HistoryTarget& target) {
    if (!canRedo()) {
        throw Error(ErrorNumber::SubscriptOutOfRange, "There is no edit to redo", "EditHistory");
    }
    restore(entries_[position_ + 1], target);
    ++position_;
}

void EditHistory::restore(const HistoryEntry& entry, HistoryTarget& target) const {
    target.scene.ClearSelection(target.previewDevice);
    target.scene.ClearSelection(target.uvDevice);
    target.source.Clear();
    target.source.AppendShape(*entry.sourceCopy);
    target.uv.Clear();
    target.uv.AppendShape(*entry.uvCopy);
    Shape* atlas = entry.atlasCopy && target.atlas != nullptr ? target.atlas : nullptr;
    if (atlas != nullptr) {
        atlas->Clear();
        atlas->AppendShape(*entry.atlasCopy);
    }
    // The host's AppendShape brings the copies' own sub-selections along; the views' selections
    // were cleared above and come back only from what was recorded for them.
    for (Shape* shape : {&target.source, &target.uv, atlas}) {
        if (shape != nullptr) {
            shape->ClearSubSelection(target.previewDevice);
            shape->ClearSubSelection(target.uvDevice);
        }
    }
    if (entry.previewSelection.count() >= 1) {
        target.source.SetSubSelection(target.previewDevice, entry.previewKind,
                                      entry.previewSelection);
    }
    if (entry.uvSelection.count() >= 1) {
        target.uv.SetSubSelection(target.uvDevice, entry.uvKind, entry.uvSelection);
    }
    target.uvPositions = target.uv.GetVertices();
}

} // namespace peelwise
