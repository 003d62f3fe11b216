#pragma once
// A progress service for tests that plays the user at the progress dialog: it records the title
// of every operation and the reports of those it watches (titles starting with `watched`, all
// by default), and presses Cancel at the first watched report of at least `cancelAt` (never, by
// default). The work runs on the caller's thread.

#include "brontle/model/HostProgress.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace peelwise::test {

class ScriptedProgress : public brontle::ProgressService {
  public:
    explicit ScriptedProgress(double cancelAt = 2.0, std::string watched = {})
        : cancelAt_(cancelAt), watched_(std::move(watched)) {}
    std::vector<std::string> titles;
    std::vector<double> reports;

  protected:
    void execute(const std::string& title, brontle::ProgressReporter& reporter, brontle::WorkThread,
                 const std::function<void(brontle::ProgressReporter&)>& work) override {
        titles.push_back(title);
        if (title.rfind(watched_, 0) == 0) {
            reporter.setPump([this, &reporter] {
                reports.push_back(reporter.fraction());
                if (reporter.fraction() >= cancelAt_) {
                    reporter.requestCancel();
                }
            });
        }
        work(reporter);
    }

  private:
    double cancelAt_;
    std::string watched_;
};

// Makes `service` the process's progress service for the scope.
class ProgressServiceScope {
  public:
    explicit ProgressServiceScope(std::shared_ptr<brontle::ProgressService> service)
        : previous_(brontle::setProgressService(std::move(service))) {}
    ~ProgressServiceScope() { brontle::setProgressService(previous_); }
    ProgressServiceScope(const ProgressServiceScope&) = delete;
    ProgressServiceScope& operator=(const ProgressServiceScope&) = delete;

  private:
    std::shared_ptr<brontle::ProgressService> previous_;
};

} // namespace peelwise::test
