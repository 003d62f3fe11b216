#pragma once
// How a message-box style code reads: the low four bits choose the buttons, the next four the
// icon. Every platform (the Qt one, the headless one, the scripted one) decodes styles here, so
// they agree on which answers a prompt offers and which one is its default.

#include "brontle/services/Platform.h"

#include <vector>

namespace brontle {

enum class MessageIcon { None, Critical, Question, Exclamation, Information };

// The answers a prompt offers, in the order its buttons are shown. Button codes the host never
// uses (2 abort/retry/ignore, 5 retry/cancel) read as OK only.
std::vector<MessageResult> messageButtons(int style);
MessageIcon messageIcon(int style);
// The answer of the first button: what Enter chooses, and what a prompt nobody can answer gets.
MessageResult defaultMessageAnswer(int style);
// The answer of closing the prompt with Escape or its close button: Cancel where offered, No
// for Yes/No, OK for an OK-only prompt.
MessageResult escapeMessageAnswer(int style);
// "OK", "Cancel", "Yes" or "No".
const char* messageResultName(MessageResult result);

} // namespace brontle
