// An unwrap cancelled in the host's progress dialog is a failed atlas call: the Unwrap button
// takes the editor's failed-unwrap path (retry with the defaults, then give up), and one Cancel
// of the start-up unwrap ends the run as cancelled, with no retry and no message.
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/HostProgress.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using editor_testing::EditorRunTest;
using peelwise::frmMain;

// Presses Cancel at every operation's first report past the start, while `armed`.
class CancellingService : public brontle::ProgressService {
  public:
    int operations = 0;
    bool armed = true;

  protected:
    void execute(const std::string&, brontle::ProgressReporter& reporter, brontle::WorkThread,
                 const std::function<void(brontle::ProgressReporter&)>& work) override {
        ++operations;
        reporter.setPump([this, &reporter] {
            if (armed && reporter.fraction() > 0.0) {
                reporter.requestCancel();
            }
        });
        work(reporter);
    }
};

class CancelledUnwrapTest : public EditorRunTest {};

// The lines the failed builds wrote to the log.
std::vector<std::string> failureLines(const std::vector<std::string>& lines) {
    std::vector<std::string> failures;
    for (const std::string& line : lines) {
        if (line.rfind("pbGenerateAtlas failed with error", 0) == 0) {
            failures.push_back(line);
        }
    }
    return failures;
}

const char* const kCancelledLine = "pbGenerateAtlas failed with error: -7-The atlas was cancelled";

TEST_F(CancelledUnwrapTest, OneCancelAtStartUpEndsTheRunCancelled) {
    suppressHint();
    auto service = std::make_shared<CancellingService>();
    const std::shared_ptr<brontle::ProgressService> previous = brontle::setProgressService(service);
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_FALSE(run([](frmMain&) { ADD_FAILURE() << "the dialog came up"; }));
    brontle::setProgressService(previous);
    EXPECT_EQ(service->operations, 1); // no retry with the defaults
    EXPECT_TRUE(dialog.bCancelClicked);
    EXPECT_FALSE(dialog.bOKClicked);
    EXPECT_FALSE(dialog.isLoaded());
    EXPECT_TRUE(scripted->messages().empty());
    EXPECT_EQ(failureLines(logLines()), (std::vector<std::string>{kCancelledLine}));
    // Nothing of the cancelled build reached the views.
    EXPECT_EQ(dialog.csUVShape, nullptr);
}

TEST_F(CancelledUnwrapTest, ACancelledUnwrapButtonTakesTheFailurePath) {
    suppressHint();
    auto service = std::make_shared<CancellingService>();
    service->armed = false;
    const std::shared_ptr<brontle::ProgressService> previous = brontle::setProgressService(service);
    handOver(brontle::makeFlatShadedCube(*scene));
    bool loadedAfter = true;
    EXPECT_TRUE(run([&](frmMain& d) {
        service->armed = true;
        d.cmdGenerateAtlas_Click();
        loadedAfter = d.isLoaded();
    }));
    brontle::setProgressService(previous);
    EXPECT_EQ(service->operations, 3); // start-up, then the button's build and its retry
    EXPECT_FALSE(loadedAfter);
    EXPECT_TRUE(dialog.bCancelClicked);
    ASSERT_EQ(scripted->messages().size(), 2u);
    EXPECT_EQ(scripted->messages()[0].text,
              "Brontle was unable to unwrap the current selection. Brontle will unwrap with "
              "default settings.");
    EXPECT_EQ(scripted->messages()[1].text,
              "Brontle was unable to unwrap the current selection. Closing Brontle and "
              "re-opening may resolve the problem.");
    EXPECT_EQ(failureLines(logLines()), (std::vector<std::string>{kCancelledLine, kCancelledLine}));
}

} // namespace
