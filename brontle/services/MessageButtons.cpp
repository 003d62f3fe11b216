#include "brontle/services/MessageButtons.h"

#include <algorithm>

namespace brontle {

std::vector<MessageResult> messageButtons(int style) {
    switch (style & 0x0F) {
    case MessageStyle::OkCancel:
        return {MessageResult::Ok, MessageResult::Cancel};
    case MessageStyle::YesNoCancel:
        return {MessageResult::Yes, MessageResult::No, MessageResult::Cancel};
    case MessageStyle::YesNo:
        return {MessageResult::Yes, MessageResult::No};
    default:
        return {MessageResult::Ok};
    }
}

MessageIcon messageIcon(int style) {
    switch (style & 0xF0) {
    case MessageStyle::Critical:
        return MessageIcon::Critical;
    case MessageStyle::Question:
        return MessageIcon::Question;
    case MessageStyle::Exclamation:
        return MessageIcon::Exclamation;
    case MessageStyle::Information:
        return MessageIcon::Information;
    default:
        return MessageIcon::None;
    }
}

MessageResult defaultMessageAnswer(int style) {
    return messageButtons(style).front();
}

MessageResult escapeMessageAnswer(int style) {
    const std::vector<MessageResult> buttons = messageButtons(style);
    if (std::find(buttons.begin(), buttons.end(), MessageResult::Cancel) != buttons.end()) {
        return MessageResult::Cancel;
    }
    return buttons.back();
}

const char* messageResultName(MessageResult result) {
    switch (result) {
    case MessageResult::Ok:
        return "OK";
    case MessageResult::Cancel:
        return "Cancel";
    case MessageResult::Yes:
        return "Yes";
    case MessageResult::No:
        return "No";
    }
    return "?";
}

} // namespace brontle
