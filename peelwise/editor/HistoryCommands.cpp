// The dialog's edit history: RecordHistory before every edit, UndoEdit and RedoEdit behind the
// Undo and Redo buttons, on top of EditHistory (up to 20 states of csSourceShape, csUVShape and
// csAtlasShape with both views' selections).
//
// The dialog's fields atHistory, lHistoryCount and lHistoryPosition are the history as the rest
// of the editor sees it, and they are kept equal to the EditHistory's states after every
// operation. The start-up and the unwrap reset them (list emptied, both counters 0) without
// reaching the EditHistory, so a reset found on the next operation forgets every recorded state.
//
// These are procedures, not event handlers: their errors go to the caller with the source
// "frmMain". The Undo and Redo buttons report them and end.
#include "peelwise/editor/HistoryEntry.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"
#include "peelwise/uv/RebuildUVCorrespondence.h"

#include "brontle/core/Error.h"
#include "brontle/model/Shape.h"
#include "brontle/views/Editport.h"

#include <algorithm>
#include <string>

namespace peelwise {

namespace {

const char* const kSource = "frmMain";

bool sameState(const HistoryEntry& a, const HistoryEntry& b) {
    // Every recorded state owns its own new shape copies, so the copy identifies the state.
    return a.sourceCopy == b.sourceCopy && a.uvCopy == b.uvCopy;
}

} // namespace

EditHistory& frmMain::editHistory() {
    if (!editHistory_) {
        editHistory_ = std::make_unique<EditHistory>();
    }
    EditHistory& history = *editHistory_;
    const bool inStep = lHistoryCount == history.count() &&
                        lHistoryPosition == history.position() &&
                        atHistory.size() == static_cast<std::size_t>(history.count());
    if (!inStep) {
        if (lHistoryCount != 0 || lHistoryPosition != 0) {
            throw brontle::Error(brontle::ErrorNumber::SubscriptOutOfRange,
                                 "Edit history: the counters (" + std::to_string(lHistoryCount) +
                                     " states, position " + std::to_string(lHistoryPosition) +
                                     ") do not match the recorded states",
                                 kSource);
        }
        history.clear();
        atHistory.clear();
    }
    return history;
}

void frmMain::publishHistory() {
    if (!editHistory_) {
        return;
    }
    const EditHistory& history = *editHistory_;
    const std::size_t count = static_cast<std::size_t>(history.count());
    // Only what changed is copied: a state dropped at the front (a full history) shifts the
    // list, a new state is appended, discarded redo states are cut off. Selections can be
    // large, so the unchanged states are not copied again on every edit.
    if (count > 0 && !atHistory.empty() && !sameState(atHistory.front(), history.entry(0))) {
        const auto first =
            std::find_if(atHistory.begin(), atHistory.end(),
                         [&](const HistoryEntry& e) { return sameState(e, history.entry(0)); });
        atHistory.erase(atHistory.begin(), first);
    }
    atHistory.resize(std::min(atHistory.size(), count));
    for (std::size_t i = 0; i < count; ++i) {
        const HistoryEntry& state = history.entry(static_cast<std::int32_t>(i));
        if (i < atHistory.size()) {
            if (!sameState(atHistory[i], state)) {
                atHistory[i] = state;
            }
        } else {
            atHistory.push_back(state);
        }
    }
    lHistoryCount = history.count();
    lHistoryPosition = history.position();
}

void frmMain::runPublishing(const std::function<void()>& operation) {
    // The fields follow the states also when an operation fails half-way (an Undo that recorded
    // the present and then could not restore), so they never fall out of step.
    try {
        operation();
    } catch (...) {
        publishHistory();
        throw;
    }
    publishHistory();
}

HistoryTarget frmMain::historyTarget() {
    if (!csSourceShape) {
        throw brontle::Error(brontle::ErrorNumber::ObjectNotSet,
                             "Object variable not set (csSourceShape)", kSource);
    }
    return HistoryTarget{editScene(),   previewDevice(), uvDevice(),        *csSourceShape,
                         editUVShape(), avUVPositions,   csAtlasShape.get()};
}

void frmMain::RecordHistory() {
    withSource(kSource, [&] {
        EditHistory& history = editHistory();
        HistoryTarget target = historyTarget();
        runPublishing([&] { history.record(target); });
        bUVChanged = true;
    });
}

void frmMain::afterRestore() {
    lUVPositionCount = static_cast<std::int32_t>(avUVPositions.size());
    // A restore may bring back another topology than the table was built for: an undone weld
    // separates again the vertices it had joined, an undone unlink drops the vertex it added.
    // So the table is rebuilt from the restored UV polygons and the restored atlas corners, and
    // the next drag or step writes every point into the texture coordinate its corners use now,
    // never through an entry left over from the other topology.
    if (csAtlasShape) {
        modUV::RebuildUVCorrespondence(editUVShape(), *csAtlasShape, alUVVertexToTexCoord);
    }
    UpdateCommandStates();
    dfeCoordinatesAdjustment->Refresh();
    dfeObjectPreview->Refresh();
}

void frmMain::UndoEdit() {
    withSource(kSource, [&] {
        EditHistory& history = editHistory();
        HistoryTarget target = historyTarget();
        runPublishing([&] { history.undo(target); });
        afterRestore();
    });
}

void frmMain::RedoEdit() {
    withSource(kSource, [&] {
        EditHistory& history = editHistory();
        HistoryTarget target = historyTarget();
        runPublishing([&] { history.redo(target); });
        afterRestore();
    });
}

void frmMain::cmdEditUndo_Click() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] { UndoEdit(); });
}

void frmMain::cmdEditRedo_Click() {
    StepRunner trap(ErrorPolicy::EndHandler);
    trap([&] { RedoEdit(); });
}

} // namespace peelwise
