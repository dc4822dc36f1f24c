#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace trawlix::common {

// The leading decimal number of a text: leading blanks skipped, an optional sign, digits
// with "." as the decimal point whatever the locale, an optional exponent. 0 when the text
// does not begin with a number, or when the number is beyond a double's range.
double leadingNumber(std::string_view text);

// Strict conversions accept only a text that is one decimal number, apart from blanks
// (spaces and tabs) around it. Anything else, the empty text included, gives nothing.
std::optional<double> strictDouble(std::string_view text);
std::optional<float> strictSingle(std::string_view text);  // also fails beyond a float's range

// Integers: fractions rounded to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4);
// a value outside the type's range fails.
std::optional<std::int16_t> strictInt16(std::string_view text);
std::optional<std::int32_t> strictInt32(std::string_view text);

// A truth value: the words True or False in any letter case, or a number (0 is false, any
// other number true).
std::optional<bool> strictBool(std::string_view text);

// Rounds to the nearest integer, halves to even.
double roundHalfEven(double value);

}  // namespace trawlix::common
