// Stored and typed texts read as numbers: whole list indexes, the rounded atlas factor and
// single-precision window edges, each with its error for text that is not such a number.
#include "peelwise/editor/StoredText.h"

#include "brontle/core/Error.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using peelwise::roundedWholeNumber;
using peelwise::storedSingle;
using peelwise::storedWholeNumber;

// The error number a conversion raises, or 0 when it succeeds.
template <class Convert> int errorOf(Convert convert, const std::string& text) {
    try {
        convert(text);
    } catch (const brontle::Error& e) {
        return e.number();
    }
    return 0;
}

TEST(StoredText, WholeNumbersAllowSignAndBlanksOnly) {
    EXPECT_EQ(storedWholeNumber("4"), 4);
    EXPECT_EQ(storedWholeNumber(" 12\t"), 12);
    EXPECT_EQ(storedWholeNumber("+3"), 3);
    EXPECT_EQ(storedWholeNumber("-1"), -1);
    EXPECT_EQ(storedWholeNumber("2147483647"), 2147483647);
    for (const char* text : {"", " ", "abc", "2.5", "4x", "1e2", "+-1", "0x10", "4 4"}) {
        EXPECT_EQ(errorOf(storedWholeNumber, text), 13) << '"' << text << '"';
    }
    EXPECT_EQ(errorOf(storedWholeNumber, "2147483648"), 6);
    EXPECT_EQ(errorOf(storedWholeNumber, "-99999999999999999999"), 6);
}

TEST(StoredText, TheFactorIsRoundedHalfToEven) {
    EXPECT_EQ(roundedWholeNumber("4"), 4);
    EXPECT_EQ(roundedWholeNumber("4.0"), 4);
    EXPECT_EQ(roundedWholeNumber("4.5"), 4);
    EXPECT_EQ(roundedWholeNumber("5.5"), 6);
    EXPECT_EQ(roundedWholeNumber("4.51"), 5);
    EXPECT_EQ(roundedWholeNumber(" 1e1 "), 10);
    EXPECT_EQ(roundedWholeNumber("-2.5"), -2);
    for (const char* text : {"abc", "", "4,5", "nan", "inf", "8 charts"}) {
        EXPECT_EQ(errorOf(roundedWholeNumber, text), 13) << '"' << text << '"';
    }
    EXPECT_EQ(errorOf(roundedWholeNumber, "3e9"), 6);
}

TEST(StoredText, TypeMismatchNamesTheText) {
    try {
        roundedWholeNumber("abc");
        FAIL() << "no error";
    } catch (const brontle::Error& e) {
        EXPECT_EQ(e.number(), 13);
        EXPECT_EQ(e.description(), "Type mismatch: \"abc\" is not a number");
    }
}

TEST(StoredText, WindowEdgesAreSinglePrecision) {
    EXPECT_EQ(storedSingle("14730"), 14730.0f);
    EXPECT_EQ(storedSingle("1500.5"), 1500.5f);
    EXPECT_EQ(storedSingle("-96"), -96.0f);
    EXPECT_EQ(storedSingle("0.1"), 0.1f);
    EXPECT_EQ(errorOf(storedSingle, "far left"), 13);
    EXPECT_EQ(errorOf(storedSingle, ""), 13);
    EXPECT_EQ(errorOf(storedSingle, "1e39"), 6);
    EXPECT_EQ(errorOf(storedSingle, "1e999"), 6);
}

} // namespace
