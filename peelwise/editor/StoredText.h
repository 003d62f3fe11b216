#pragma once
// Stored and typed texts read as numbers, the way the editor's start-up and its atlas build
// convert them. Qt-free, so the rules are tested without a dialog.
//
// Blanks (space, tab) around the number are allowed, a leading '+' too; anything else that is
// not part of the number is a type mismatch: Error(13, "Type mismatch ...") naming the text.

#include <cstdint>
#include <string>

namespace peelwise {

// A list index or other count stored as text: an optional sign and decimal digits only ("4",
// " -1 "). A fraction ("2.5"), an exponent, "" or letters are a type mismatch: a stored index
// that is not a whole number was not written by this editor, and guessing a list entry from it
// would only hide that. Outside the 32-bit range: Error(6, "Overflow ...").
std::int32_t storedWholeNumber(const std::string& text);

// A number typed by the user and handed to the host as a 32-bit whole number (the atlas
// factor): any finite decimal number ("4", "4.0", "1e1"), rounded half to even as the
// language's whole-number conversion does ("4.5" gives 4, "5.5" gives 6). Not a number: type
// mismatch (13); outside the 32-bit range after rounding: overflow (6).
std::int32_t roundedWholeNumber(const std::string& text);

// A stored window coordinate or size in twips, single precision: any finite decimal number.
// Not a number: type mismatch (13); beyond the single-precision range: overflow (6).
float storedSingle(const std::string& text);

} // namespace peelwise
