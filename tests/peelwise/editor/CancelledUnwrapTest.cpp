// An unwrap cancelled in the host's progress dialog is a failed atlas call: the editor takes its
// failed-unwrap path (retry with the defaults, then give up), and a run whose start-up unwrap
// was cancelled ends as cancelled.
#include "EditorRunFixture.h"

#include "brontle/io/SampleShapes.h"
#include "brontle/model/HostProgress.h"

#include <memory>

namespace {

using editor_testing::EditorRunTest;
using peelwise::frmMain;

// Presses Cancel at every operation's first report past the start.
class CancellingService : public brontle::ProgressService {
  public:
    int operations = 0;

  protected:
    void execute(const std::string&, brontle::ProgressReporter& reporter, brontle::WorkThread,
                 const std::function<void(brontle::ProgressReporter&)>& work) override {
        ++operations;
        reporter.setPump([&reporter] {
            if (reporter.fraction() > 0.0) {
                reporter.requestCancel();
            }
        });
        work(reporter);
    }
};

class CancelledUnwrapTest : public EditorRunTest {};

TEST_F(CancelledUnwrapTest, ACancelAtStartUpTakesTheFailurePathAndEndsTheRunCancelled) {
    suppressHint();
    auto service = std::make_shared<CancellingService>();
    const std::shared_ptr<brontle::ProgressService> previous = brontle::setProgressService(service);
    handOver(brontle::makeFlatShadedCube(*scene));
    EXPECT_FALSE(run([](frmMain&) { ADD_FAILURE() << "the dialog came up"; }));
    brontle::setProgressService(previous);
    EXPECT_EQ(service->operations, 2); // the first build and its retry with the defaults
    EXPECT_TRUE(dialog.bCancelClicked);
    EXPECT_FALSE(dialog.isLoaded());
    ASSERT_EQ(scripted->messages().size(), 2u);
    EXPECT_EQ(scripted->messages()[0].text,
              "Brontle was unable to unwrap the current selection. Brontle will unwrap with "
              "default settings.");
    EXPECT_EQ(scripted->messages()[1].text,
              "Brontle was unable to unwrap the current selection. Closing Brontle and "
              "re-opening may resolve the problem.");
    std::vector<std::string> failures;
    for (const std::string& line : logLines()) {
        if (line.rfind("pbGenerateAtlas failed with error", 0) == 0) {
            failures.push_back(line);
        }
    }
    EXPECT_EQ(failures, (std::vector<std::string>{
                            "pbGenerateAtlas failed with error: -6-The atlas was cancelled",
                            "pbGenerateAtlas failed with error: -6-The atlas was cancelled"}));
}

} // namespace
