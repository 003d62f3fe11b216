// The dialog's edit history: RecordHistory before every edit, UndoEdit and RedoEdit behind the
// Undo and Redo buttons. The states are the session's (up to 20 states of csSourceShape,
// csUVShape and csAtlasShape with both views' selections); atHistory, lHistoryCount and
// lHistoryPosition read them from there.
//
// These are procedures, not event handlers: their errors go to the caller with the source
// "frmMain". The Undo and Redo buttons report them and end.
#include "peelwise/editor/HistoryEntry.h"
#include "peelwise/editor/frmMain.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/views/Editport.h"

namespace peelwise {

namespace {

const char* const kSource = "frmMain";

} // namespace

void frmMain::RecordHistory() {
    withSource(kSource, [&] { editSession().record(); });
}

void frmMain::afterRestore() {
    UpdateCommandStates();
    dfeCoordinatesAdjustment->Refresh();
    dfeObjectPreview->Refresh();
}

void frmMain::UndoEdit() {
    withSource(kSource, [&] {
        editSession().undo();
        afterRestore();
    });
}

void frmMain::RedoEdit() {
    withSource(kSource, [&] {
        editSession().redo();
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
