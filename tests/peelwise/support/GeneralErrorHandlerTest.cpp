// The one error report: which numbers are silent, which text each number shows, the suffix with
// the number, the title and the style, all seen through the prompts the platform recorded.

#include "ScriptedPlatformFixture.h"

#include "peelwise/support/GeneralErrorHandler.h"

#include "brontle/model/AuxiliaryObjects.h"

#include <cstdint>
#include <memory>
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

TEST_F(GeneralErrorHandlerTest, OutOfMemoryTextRegardlessOfDescription) {
    GeneralErrorHandler(7, "the allocator's own words", true);
    ASSERT_EQ(prompts().messages().size(), 1u);
    EXPECT_EQ(prompts().messages()[0].text,
              "Out of memory. Please close all programs and run again.  (#7)");
    EXPECT_EQ(prompts().messages()[0].text, kOutOfMemory + " (#7)");
}

TEST_F(GeneralErrorHandlerTest, UserDefinedNumbersShowTheCallersDescription) {
    GeneralErrorHandler(static_cast<std::int32_t>(0x80040001u), "The atlas could not be made. ",
                        true);
    GeneralErrorHandler(static_cast<std::int32_t>(0x80040002u), "Second kind.", true);
    ASSERT_EQ(prompts().messages().size(), 2u);
    EXPECT_EQ(prompts().messages()[0].text, "The atlas could not be made.  (#-2147221503)");
    EXPECT_EQ(prompts().messages()[1].text, "Second kind. (#-2147221502)");
}

TEST_F(GeneralErrorHandlerTest, ZeroAndPositiveNumbersShowTheGeneralText) {
    for (std::int32_t number : {91, 0, 9, 13, 5, 2147483647}) {
        GeneralErrorHandler(number, "ignored", true);
    }
    const auto& shown = prompts().messages();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[0].text, kGeneral + " (#91)");
    EXPECT_EQ(shown[1].text, kGeneral + " (#0)");
    EXPECT_EQ(shown[2].text, kGeneral + " (#9)");
    EXPECT_EQ(shown[3].text, kGeneral + " (#13)");
    EXPECT_EQ(shown[4].text, kGeneral + " (#5)");
    EXPECT_EQ(shown[5].text, kGeneral + " (#2147483647)");
}

TEST_F(GeneralErrorHandlerTest, OtherNegativeNumbersShowTheGraphicsTextInSignedDecimal) {
    GeneralErrorHandler(-1, "host", true);
    GeneralErrorHandler(static_cast<std::int32_t>(0x88760316u), "neighbour of the silent code",
                        true);
    GeneralErrorHandler(-2147483647 - 1, "lowest", true);
    GeneralErrorHandler(-2147221504, "just below the user-defined ones", true);
    const auto& shown = prompts().messages();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].text, kGraphics + " (#-1)");
    EXPECT_EQ(shown[1].text, kGraphics + " (#-2005531882)");
    EXPECT_EQ(shown[2].text, kGraphics + " (#-2147483648)");
    EXPECT_EQ(shown[3].text, kGraphics + " (#-2147221504)");
}

TEST_F(GeneralErrorHandlerTest, EveryBoxIsTitledApplicationWithOkAndTheStopIcon) {
    GeneralErrorHandler(7, "", true);
    GeneralErrorHandler(91, "", true);
    GeneralErrorHandler(-3, "", true);
    GeneralErrorHandler(-2147221503, "mine", true);
    ASSERT_EQ(prompts().messages().size(), 4u);
    for (const auto& prompt : prompts().messages()) {
        EXPECT_EQ(prompt.title, "Application");
        EXPECT_EQ(prompt.style, 16);
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
