// The host progress service without a display: one operation at a time, cancelling through the
// reporter, and a cancelled atlas as a failed atlas call that leaves the shape as it was.
#include "brontle/model/HostProgress.h"
#include "brontle/core/Error.h"
#include "brontle/model/Shape.h"
#include "support/ModelBuilders.h"
#include "support/ScriptedProgress.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

using namespace brontle;
using peelwise::test::ScriptedProgress;

namespace {

// Runs the work on a thread of its own, as the window's service runs WorkThread::Worker work.
class ThreadService : public ProgressService {
  public:
    std::thread::id caller;

  protected:
    void execute(const std::string&, ProgressReporter& reporter, WorkThread,
                 const std::function<void(ProgressReporter&)>& work) override {
        caller = std::this_thread::get_id();
        std::thread([&] { work(reporter); }).join();
    }
};

Error cancelled() {
    return Error(ErrorNumber::HostCancelled, "test: cancelled", "Test");
}

} // namespace

TEST(HostProgressTest, OneOperationAtATimeAndCancelThrowsItsError) {
    ProgressService service;
    EXPECT_FALSE(service.busy());
    bool inner = false;
    try {
        service.run("Loading a.obj", cancelled(), WorkThread::Caller, [&](ProgressReporter& r) {
            EXPECT_TRUE(service.busy());
            r.report(0.5);
            // A second operation while the first runs is refused; the first goes on.
            try {
                service.run("Unwrapping", cancelled(), WorkThread::Caller,
                            [&](ProgressReporter&) { inner = true; });
                ADD_FAILURE() << "a second operation started";
            } catch (const Error& e) {
                EXPECT_EQ(e.number(), ErrorNumber::HostFailure);
                EXPECT_EQ(e.description(),
                          "Unwrapping cannot start: Loading a.obj is still running");
            }
            EXPECT_DOUBLE_EQ(r.fraction(), 0.5);
            r.report(7.0);
            EXPECT_DOUBLE_EQ(r.fraction(), 1.0);
            // A cancel request stops the work at its next report with the operation's error.
            r.requestCancel();
            EXPECT_TRUE(r.cancelRequested());
            EXPECT_TRUE(r.cancelFlag()->load());
            r.report(0.9);
            ADD_FAILURE() << "the report after a cancel returned";
        });
        ADD_FAILURE() << "the cancelled operation returned";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::HostCancelled);
        EXPECT_EQ(e.description(), "test: cancelled");
    }
    EXPECT_FALSE(inner);
    // Over, even though it threw: the next operation runs.
    EXPECT_FALSE(service.busy());
    bool ran = false;
    service.run("Saving", cancelled(), WorkThread::Worker, [&](ProgressReporter&) { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(HostProgressTest, ACancelledAtlasIsAFailedAtlasCallThatChangesNothing) {
    auto service = std::make_shared<ScriptedProgress>(0.1);
    const std::shared_ptr<ProgressService> previous = setProgressService(service);
    ShapePtr shape = testing_shapes::quadStrip(6);
    const std::vector<Vector2> texcoords = shape->texcoords();
    const std::vector<std::int32_t> cornerTexCoord = shape->cornerTexCoord();
    std::int32_t charts = -1;
    try {
        shape->GenerateAtlas(0, 0, 0, 4, 256, 256, charts);
        ADD_FAILURE() << "the cancelled atlas returned";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::HostCancelled);
        EXPECT_EQ(e.description(), "The atlas was cancelled");
    }
    EXPECT_EQ(charts, -1);
    EXPECT_EQ(shape->texcoords(), texcoords);
    EXPECT_EQ(shape->cornerTexCoord(), cornerTexCoord);
    EXPECT_EQ(service->reports, (std::vector<double>{0.0, 0.1}));
    EXPECT_FALSE(service->busy());

    // Without a cancel the same call goes through the service to the end.
    setProgressService(std::make_shared<ScriptedProgress>(2.0));
    shape->GenerateAtlas(0, 0, 0, 4, 256, 256, charts);
    EXPECT_GE(charts, 1);
    EXPECT_NE(shape->texcoords(), texcoords);
    setProgressService(previous);
}

TEST(HostProgressTest, DeepCodeReportsIntoItsPartOfTheOperationOnItsThread) {
    // Outside an operation nothing is reached and nothing throws.
    EXPECT_EQ(currentProgress(), nullptr);
    {
        const ProgressPart ignored(0.5, 1.0);
        reportProgress(0.5);
    }
    auto service = std::make_shared<ScriptedProgress>(0.95);
    try {
        service->run("Rendering", cancelled(), WorkThread::Caller, [&](ProgressReporter& r) {
            EXPECT_EQ(currentProgress(), &r);
            {
                const ProgressPart second(0.5, 1.0);
                reportProgress(0.5);
                {
                    const ProgressPart inner(0.0, 0.5); // [0.5, 0.75] of the operation
                    reportProgress(0.5);
                    reportProgress(3.0); // clamped to the part's end
                }
                reportProgress(0.8);
            }
            reportProgress(0.25); // the parts are over: the operation's own fraction
            // On another thread nothing reaches this operation.
            std::thread([] {
                EXPECT_EQ(currentProgress(), nullptr);
                reportProgress(0.5);
            }).join();
            reportProgress(0.96); // past the cancelling service's threshold
            ADD_FAILURE() << "the report after the cancel returned";
        });
        ADD_FAILURE() << "the cancelled operation returned";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), ErrorNumber::HostCancelled);
    }
    EXPECT_EQ(service->reports, (std::vector<double>{0.75, 0.625, 0.75, 0.9, 0.25, 0.96}));
    EXPECT_EQ(currentProgress(), nullptr);
    // Work the service runs on a thread of its own reaches its operation there.
    ThreadService threaded;
    threaded.run("Saving", cancelled(), WorkThread::Worker, [&](ProgressReporter& r) {
        EXPECT_NE(std::this_thread::get_id(), threaded.caller);
        EXPECT_EQ(currentProgress(), &r);
        const ProgressPart part(0.2, 0.4);
        reportProgress(0.5);
        EXPECT_DOUBLE_EQ(r.fraction(), 0.3);
    });
    EXPECT_EQ(currentProgress(), nullptr);
}
