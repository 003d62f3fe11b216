#include "peelwise/support/GeneralErrorHandler.h"

#include "brontle/model/AuxiliaryObjects.h"
#include "brontle/services/Platform.h"

#include <memory>

namespace peelwise {

// The maker is Orvane Software; its problem-reports forum lives under the maker's own domain,
// on a page named for what users go there to do.
const char* const kProblemReportsForum = "https://forum.orvane-software.example/problem-reports";

namespace {

constexpr std::int32_t kUserDefinedErrorFirst = -2147221503;  // 0x80040001
constexpr std::int32_t kUserDefinedErrorSecond = -2147221502; // 0x80040002
constexpr std::int32_t kFileDialogCancelled = 32755;

bool isSilentNumber(std::int32_t number) {
    switch (number) {
    case 6:           // overflow
    case 11:          // division by zero
    case 16:          // expression too complex
    case 3075:        // these two come from the host's data engine and are harmless
    case 3077:        //   to the edit in progress
    case -2005531883: // 0x88760315, a graphics-driver facility code
        return true;
    default:
        return false;
    }
}

std::string outOfMemoryText() {
    return "Out of memory. Please close all programs and run again. ";
}

std::string generalText() {
    return std::string("An unrecoverable error has occurred. If you continue to receive this "
                       "message please let us know on the problem reports forum at ") +
           kProblemReportsForum + ". ";
}

std::string graphicsText() {
    return std::string("An unrecoverable error has occurred. Often errors such as these can be "
                       "resolved by updating the drivers for your graphics card. If you continue "
                       "to receive this message please let us know on the problem reports forum "
                       "at ") +
           kProblemReportsForum + ". ";
}

} // namespace

std::string generalErrorText(std::int32_t number, const std::string& description) {
    if (isSilentNumber(number) || number == kFileDialogCancelled) {
        return {};
    }
    if (number == kUserDefinedErrorFirst || number == kUserDefinedErrorSecond) {
        return description;
    }
    if (number == 7) {
        return outOfMemoryText();
    }
    if (number < 0) {
        return graphicsText();
    }
    return generalText();
}

void GeneralErrorHandler(std::int32_t number, const std::string& description, bool showMessage) {
    // The host keeps its bookkeeping per live object of this class; one is held for the length
    // of the report and released on every way out.
    const auto auxiliary = std::make_unique<brontle::AuxiliaryObjectA>();

    // The silent numbers come first and do not depend on showMessage.
    if (isSilentNumber(number)) {
        return;
    }
    if (number == kFileDialogCancelled) {
        return;
    }
    if (!showMessage) {
        return;
    }
    brontle::MessagePrompt prompt;
    prompt.text = generalErrorText(number, description) + " (#" + std::to_string(number) + ")";
    prompt.title = "Application";
    prompt.style = brontle::MessageStyle::OkOnly + brontle::MessageStyle::Critical;
    brontle::platform().messageBox(prompt);
}

} // namespace peelwise
