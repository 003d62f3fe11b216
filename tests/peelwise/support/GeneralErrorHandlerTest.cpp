// The one error report: which numbers are silent, which text each number shows, the suffix with
// the number, the title and the style, all seen through the prompts the platform recorded.

#include "ScriptedPlatformFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

#include "brontle/model/AuxiliaryObjects.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using peelwise::GeneralErrorHandler;

const std::string kForum = "https://forum.orvane-software.example/problem-reports";
const std::string kOutOfMemory = "Out of memory. Please close all programs and run again. ";
const std::string kGeneral =
    "An unrecoverable error has occurred. If you continue to receive this message please let "
    "us know on the problem reports forum at " +
    kForum + ". ";
const std::string kGraphics =
    "An unrecoverable error has occurred. Often errors such as these can be resolved by "
    "updating the drivers for your graphics card. If you continue to receive this message "
    "please let us know on the problem reports forum at " +
    kForum + ". ";

using GeneralErrorHandlerTest = ScriptedPlatformTest;

TEST_F(GeneralErrorHandlerTest, SilentNumbersShowNothingEvenWhenAMessageIsAsked) {
    for (std::int32_t number : {6, 11, 16, 3075, 3077, -2005531883, 32755}) {
        GeneralErrorHandler(number, "should not be seen", true);
        EXPECT_TRUE(prompts().messages().empty()) << "number " << number;
    }
    // 0x88760315 is the same silent number written as the unsigned code.
    GeneralErrorHandler(static_cast<std::int32_t>(0x88760315u), "driver", true);
    EXPECT_TRUE(prompts().messages().empty());
}

TEST_F(GeneralErrorHandlerTest, ShowMessageFalseShowsNothingForAnyNumber) {
    for (std::int32_t number : {7, 91, 0, -1, -2147221503, 5}) {
        GeneralErrorHandler(number, "description", false);
    }
    EXPECT_TRUE(prompts().messages().empty());
}

// Each shown number gets one box titled "Application" with OK and the stop icon (16): the
// out-of-memory text for 7 whatever the description, the caller's description for the two
// user-defined numbers, the general text for zero and positive numbers, the graphics text for
// other negative ones; then " (#", the number in signed decimal and ")".
TEST_F(GeneralErrorHandlerTest, EachNumberShowsItsTextAndTheNumberInOneBox) {
    struct Case {
        std::int32_t number;
        const char* description;
        std::string text;
    };
    const std::vector<Case> cases = {
        {7, "the allocator's own words",
         "Out of memory. Please close all programs and run again.  (#7)"},
        {static_cast<std::int32_t>(0x80040001u), "The atlas could not be made. ",
         "The atlas could not be made.  (#-2147221503)"},
        {static_cast<std::int32_t>(0x80040002u), "Second kind.", "Second kind. (#-2147221502)"},
        {91, "ignored", kGeneral + " (#91)"},
        {0, "ignored", kGeneral + " (#0)"},
        {9, "ignored", kGeneral + " (#9)"},
        {13, "ignored", kGeneral + " (#13)"},
        {5, "ignored", kGeneral + " (#5)"},
        {2147483647, "ignored", kGeneral + " (#2147483647)"},
        {-1, "host", kGraphics + " (#-1)"},
        {static_cast<std::int32_t>(0x88760316u), "neighbour of the silent code",
         kGraphics + " (#-2005531882)"},
        {-2147483647 - 1, "lowest", kGraphics + " (#-2147483648)"},
        {-2147221504, "just below the user-defined ones", kGraphics + " (#-2147221504)"},
    };
    for (const Case& c : cases) {
        GeneralErrorHandler(c.number, c.description, true);
    }
    const auto& shown = prompts().messages();
    ASSERT_EQ(shown.size(), cases.size());
    EXPECT_EQ(shown[0].text, kOutOfMemory + " (#7)");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(shown[i].text, cases[i].text) << "number " << cases[i].number;
        EXPECT_EQ(shown[i].title, "Application");
        EXPECT_EQ(shown[i].style, 16);
    }
}

// A platform that notes how many auxiliary objects are alive while the box is up.
class CountingPlatform : public brontle::ScriptedPlatform {
  public:
    brontle::MessageResult messageBox(const brontle::MessagePrompt& prompt) override {
        liveWhileShown.push_back(brontle::AuxiliaryObjectA::liveCount());
        return ScriptedPlatform::messageBox(prompt);
    }
    std::vector<int> liveWhileShown;
};

TEST(GeneralErrorHandlerAuxiliary, HoldsOneAuxiliaryObjectOnlyWhileItRuns) {
    auto counting = std::make_shared<CountingPlatform>();
    auto previous = brontle::setPlatform(counting);
    const int before = brontle::AuxiliaryObjectA::liveCount();
    GeneralErrorHandler(91, "", true);
    GeneralErrorHandler(11, "", true);
    EXPECT_EQ(brontle::AuxiliaryObjectA::liveCount(), before);
    brontle::setPlatform(previous);
    ASSERT_EQ(counting->liveWhileShown.size(), 1u);
    EXPECT_EQ(counting->liveWhileShown[0], before + 1);
}

TEST_F(GeneralErrorHandlerTest, TheForumAddressEndsBothLongTexts) {
    EXPECT_EQ(std::string(peelwise::kProblemReportsForum), kForum);
    EXPECT_EQ(peelwise::generalErrorText(91, ""), kGeneral);
    EXPECT_EQ(peelwise::generalErrorText(-5, ""), kGraphics);
    EXPECT_EQ(peelwise::generalErrorText(11, "x"), "");
}

} // namespace
