#pragma once
// The window's progress service: a host operation that takes longer than the delay (half a
// second) shows a modal progress dialog ("dlgProgress": the operation's title, a bar, Cancel)
// until it ends; Cancel asks the work to stop (ProgressReporter::requestCancel) and the dialog
// says so until it has. The window keeps repainting all along:
//  - WorkThread::Worker: the work runs on a thread of its own while this thread runs the event
//    loop;
//  - WorkThread::Caller: the work runs here and every report() lets the event loop run (at most
//    every 30 ms).
// Keyboard and mouse input waits until the dialog is up (from then on the modal dialog keeps
// it from every other window), so the user cannot start anything else meanwhile.

#include "brontle/model/HostProgress.h"

#include <QPointer>

class QProgressDialog;

namespace brontle {

class QtProgressService : public ProgressService {
  public:
    explicit QtProgressService(int delayMs = 500);

    int delayMs() const { return delayMs_; }
    // The dialog while it is shown (tests), else nullptr.
    QProgressDialog* dialog() const;

  protected:
    void execute(const std::string& title, ProgressReporter& reporter, WorkThread thread,
                 const std::function<void(ProgressReporter&)>& work) override;

  private:
    int delayMs_;
    QPointer<QProgressDialog> dialog_;
};

} // namespace brontle
