// The step runner: both policies, the mapping of C++ faults to the handler's numbers, the
// re-raise with a source, and the report through the general error handler.

#include "ScriptedPlatformFixture.h"

#include "peelwise/support/CheckedArithmetic.h"
#include "peelwise/support/StepRunner.h"

#include "brontle/core/Error.h"

#include <any>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <variant>
#include <vector>

namespace {

using brontle::Error;
using peelwise::ErrorPolicy;
using peelwise::StepRunner;

struct Reported {
    std::int32_t number;
    std::string description;
    std::string source;
};

// A reporter that keeps what it was given.
struct Recorder {
    std::vector<Reported> seen;
    peelwise::ErrorReporter reporter() {
        return [this](const Error& e) {
            seen.push_back({e.number(), e.description(), e.source()});
        };
    }
};

std::int32_t numberOf(const std::function<void()>& fault) {
    Recorder recorder;
    StepRunner runner(ErrorPolicy::EndHandler, recorder.reporter());
    runner(fault);
    return recorder.seen.empty() ? 0 : recorder.seen[0].number;
}

TEST(StepRunnerPolicy, ContinueWithNextStepRunsEveryStepAndReportsEachFailure) {
    Recorder recorder;
    std::vector<int> ran;
    StepRunner runner(ErrorPolicy::ContinueWithNextStep, recorder.reporter());
    runner.run({[&] { ran.push_back(1); },
                [&] {
                    ran.push_back(2);
                    throw Error(91, "first");
                },
                [&] { ran.push_back(3); },
                [&] {
                    ran.push_back(4);
                    throw Error(-4, "second", "modUV");
                },
                [&] { ran.push_back(5); }});
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(recorder.seen.size(), 2u);
    EXPECT_EQ(recorder.seen[0].number, 91);
    EXPECT_EQ(recorder.seen[0].description, "first");
    EXPECT_EQ(recorder.seen[1].number, -4);
    EXPECT_EQ(recorder.seen[1].source, "modUV");
    EXPECT_EQ(runner.failures(), 2);
    EXPECT_FALSE(runner.ended());
}

TEST(StepRunnerPolicy, EndHandlerStopsAfterTheFirstFailureAndReportsItOnce) {
    Recorder recorder;
    std::vector<int> ran;
    StepRunner runner(ErrorPolicy::EndHandler, recorder.reporter());
    EXPECT_TRUE(runner([&] { ran.push_back(1); }));
    EXPECT_FALSE(runner([&] {
        ran.push_back(2);
        throw Error(13, "mismatch");
    }));
    EXPECT_FALSE(runner([&] { ran.push_back(3); }));
    EXPECT_FALSE(runner([&] { throw Error(91, "never raised"); }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_EQ(recorder.seen[0].number, 13);
    EXPECT_TRUE(runner.ended());
    ASSERT_TRUE(runner.lastError().has_value());
    EXPECT_EQ(runner.lastError()->description(), "mismatch");
}

TEST(StepRunnerPolicy, RunStepsCountsFailures) {
    Recorder recorder;
    const int failed = peelwise::runSteps(
        ErrorPolicy::ContinueWithNextStep,
        {[] { throw std::bad_alloc(); }, [] {}, [] { throw Error(9, "x"); }}, recorder.reporter());
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(peelwise::runSteps(ErrorPolicy::EndHandler,
                                 {[] { throw Error(9, "x"); }, [] { throw Error(9, "y"); }},
                                 recorder.reporter()),
              1);
}

TEST(StepRunnerMapping, CxxFaultsBecomeTheHandlersNumbers) {
    EXPECT_EQ(numberOf([] { throw std::bad_alloc(); }), 7);
    EXPECT_EQ(numberOf([] { (void)std::vector<int>(3).at(3); }), 9);
    EXPECT_EQ(numberOf([] { throw std::overflow_error("too big"); }), 6);
    EXPECT_EQ(numberOf([] { (void)peelwise::checkedDivide(1.0f, 0.0f); }), 11);
    EXPECT_EQ(numberOf([] { (void)peelwise::checkedDivide(5, 0); }), 11);
    EXPECT_EQ(
        numberOf([] { (void)peelwise::checkedFinite(std::numeric_limits<float>::max() * 2.0f); }),
        6);
    EXPECT_EQ(numberOf([] { (void)std::stoi("not a number"); }), 13);
    EXPECT_EQ(numberOf([] { (void)std::any_cast<int>(std::any(std::string("text"))); }), 13);
    EXPECT_EQ(numberOf([] {
                  std::variant<int, float> v = 1;
                  (void)std::get<float>(v);
              }),
              13);
    EXPECT_EQ(numberOf([] {
                  struct Base {
                      virtual ~Base() = default;
                  };
                  struct Derived : Base {};
                  Base base;
                  (void)dynamic_cast<Derived&>(static_cast<Base&>(base));
              }),
              13);
    EXPECT_EQ(numberOf([] {
                  std::function<void()> empty;
                  empty();
              }),
              91);
    EXPECT_EQ(numberOf([] {
                  std::weak_ptr<int> gone;
                  std::shared_ptr<int> locked(gone);
              }),
              91);
    EXPECT_EQ(numberOf([] { throw std::runtime_error("host"); }), -1);
    EXPECT_EQ(numberOf([] { throw 42; }), -1);
}

TEST(StepRunnerMapping, DescriptionsSayWhatHappened) {
    const auto described = [](const std::function<void()>& fault) {
        auto error = peelwise::trappedError([&] {
            try {
                fault();
            } catch (...) {
                return std::current_exception();
            }
            return std::exception_ptr();
        }());
        return error ? error->description() : std::string("<not trapped>");
    };
    EXPECT_EQ(described([] { throw std::bad_alloc(); }), "Out of memory");
    EXPECT_EQ(described([] { throw std::runtime_error("disk gone"); }), "disk gone");
    EXPECT_EQ(described([] { (void)peelwise::checkedDivide(8.0f, 0.0f, "8 / largest extent"); }),
              "Division by zero (8 / largest extent)");
    EXPECT_EQ(described([] { throw 1; }), "An unknown failure");
}

TEST(StepRunnerMapping, ContractFaultsPassThroughUnreported) {
    Recorder recorder;
    StepRunner runner(ErrorPolicy::ContinueWithNextStep, recorder.reporter());
    EXPECT_THROW(runner([] { throw std::logic_error("script does not fit"); }), std::logic_error);
    EXPECT_THROW(runner([] { throw std::length_error("too long"); }), std::length_error);
    EXPECT_TRUE(recorder.seen.empty());
    EXPECT_EQ(runner.failures(), 0);
}

TEST(StepRunnerMapping, CheckedArithmeticPassesOrdinaryValues) {
    EXPECT_FLOAT_EQ(peelwise::checkedDivide(8.0f, 4.0f), 2.0f);
    EXPECT_EQ(peelwise::checkedDivide(7, -2), -3);
    EXPECT_FLOAT_EQ(peelwise::checkedFinite(-1.5f), -1.5f);
    EXPECT_THROW(peelwise::checkedFinite(std::numeric_limits<double>::quiet_NaN()), Error);
}

TEST(StepRunnerSource, RethrowAsKeepsNumberAndDescriptionAndNamesTheSource) {
    try {
        peelwise::withSource("modUV", [] { throw Error(9, "index 12 of 10", "Shape"); });
        FAIL() << "nothing raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9);
        EXPECT_EQ(e.description(), "index 12 of 10");
        EXPECT_EQ(e.source(), "modUV");
    }
    try {
        peelwise::withSource("modWarn", [] { throw std::bad_alloc(); });
        FAIL() << "nothing raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 7);
        EXPECT_EQ(e.source(), "modWarn");
    }
    try {
        try {
            (void)std::vector<int>().at(0);
        } catch (...) {
            peelwise::rethrowAs("frmMain");
        }
        FAIL() << "nothing raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 9);
        EXPECT_EQ(e.source(), "frmMain");
    }
}

TEST(StepRunnerSource, WithSourceReturnsTheBodysResultAndPassesContractFaults) {
    EXPECT_EQ(peelwise::withSource("modUV", [] { return 41 + 1; }), 42);
    EXPECT_THROW(peelwise::withSource("modUV", [] { throw std::logic_error("bad script"); }),
                 std::logic_error);
}

TEST(StepRunnerSource, ANestedReRaiseReachesTheHandlerOnce) {
    Recorder recorder;
    StepRunner handler(ErrorPolicy::EndHandler, recorder.reporter());
    handler([] {
        peelwise::withSource("frmMain", [] {
            peelwise::withSource("modUV", [] { (void)peelwise::checkedDivide(1, 0); });
        });
    });
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_EQ(recorder.seen[0].number, 11);
    EXPECT_EQ(recorder.seen[0].source, "frmMain");
}

// The default reporter is the general error handler, seen through the platform's prompts.
using StepRunnerReport = ScriptedPlatformTest;

TEST_F(StepRunnerReport, DefaultReporterShowsTheGeneralErrorHandlersBox) {
    StepRunner runner(ErrorPolicy::ContinueWithNextStep);
    runner([] { throw Error(91, "Object variable not set"); });
    runner([] { (void)peelwise::checkedDivide(1.0f, 0.0f); }); // 11 is silent
    runner([] { throw std::bad_alloc(); });
    runner([] { throw Error(static_cast<std::int32_t>(0x80040001u), "Nothing to weld. "); });
    runner([] { throw std::runtime_error("driver lost"); });
    runner([] { throw Error(-2005531883, "device removed"); }); // silent
    const auto& shown = prompts().messages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, "An unrecoverable error has occurred. If you continue to receive "
                             "this message please let us know on the problem reports forum at "
                             "https://forum.orvane-software.example/problem-reports.  (#91)");
    EXPECT_EQ(shown[1].text, "Out of memory. Please close all programs and run again.  (#7)");
    EXPECT_EQ(shown[2].text, "Nothing to weld.  (#-2147221503)");
    EXPECT_EQ(shown[3].text,
              "An unrecoverable error has occurred. Often errors such as these can be resolved "
              "by updating the drivers for your graphics card. If you continue to receive this "
              "message please let us know on the problem reports forum at "
              "https://forum.orvane-software.example/problem-reports.  (#-1)");
    EXPECT_EQ(runner.failures(), 6);
}

TEST_F(StepRunnerReport, EndHandlerReportsOnlyTheFirstError) {
    peelwise::runSteps(ErrorPolicy::EndHandler,
                       {[] { throw Error(9, "first"); }, [] { throw Error(13, "second"); }});
    ASSERT_EQ(prompts().messages().size(), 1u);
    EXPECT_NE(prompts().messages()[0].text.find(" (#9)"), std::string::npos);
}

} // namespace
