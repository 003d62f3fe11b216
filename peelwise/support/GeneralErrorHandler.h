#pragma once
// The one error report of the editor's event handlers: turns an error that reached a handler's
// trap into at most one message box, chosen by the error number, or swallows it.
//
// Numbers shown nothing whatever `showMessage` says: 6 (overflow), 11 (division by zero), 16
// (expression too complex), 3075, 3077, -2005531883 (a graphics-driver code that carries no
// news for the user) and 32755 (the user cancelled a file dialog).
// Otherwise, with `showMessage` true, one modal box titled "Application" with style 16 (OK and
// the critical-stop icon) through brontle::platform(). Its text, followed by " (#<number>)" in
// signed decimal:
//   -2147221503, -2147221502 (errors the editor raises with its own words): `description`;
//   7: the out-of-memory text;
//   any other negative number (host and graphics failures): the graphics text;
//   zero or positive: the general text.
// Every text ends with one blank, so the number follows two blanks.
//
// Nothing is thrown by the handler itself; a platform that fails to show the box passes its
// own error to the caller.

#include <cstdint>
#include <string>

namespace peelwise {

// The maker's forum where users report problems; it ends the general and graphics texts.
extern const char* const kProblemReportsForum;

void GeneralErrorHandler(std::int32_t number, const std::string& description, bool showMessage);

// The text GeneralErrorHandler shows for `number` (without the " (#n)" suffix), or "" when the
// number is one it never shows.
std::string generalErrorText(std::int32_t number, const std::string& description);

} // namespace peelwise
