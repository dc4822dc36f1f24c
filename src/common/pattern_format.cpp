#include "common/pattern_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "common/numbers.h"

namespace trawlix::common {
namespace {

bool isPlaceholder(char c) {
    return c == '#' || c == '0';
}

struct SplitPattern {
    std::string_view integerPart;   // everything before the first "."
    std::string_view fractionPart;  // everything after it (empty when there is no ".")
    bool hasPoint = false;
    int decimals = 0;  // placeholders in the fraction part
};

SplitPattern splitPattern(std::string_view pattern) {
    SplitPattern split;
    const auto point = pattern.find('.');
    split.integerPart = pattern.substr(0, point);
    if (point != std::string_view::npos) {
        split.hasPoint = true;
        split.fractionPart = pattern.substr(point + 1);
        for (char c : split.fractionPart) {
            split.decimals += isPlaceholder(c) ? 1 : 0;
        }
    }
    return split;
}

// The magnitude rounded to `decimals` places, as integer digits (no leading zeros, empty
// for zero) and exactly `decimals` fraction digits.
struct Digits {
    std::string integer;
    std::string fraction;
};

Digits roundedDigits(double magnitude, int decimals) {
    // A double has at most 309 integer digits; the decimals of our patterns are few.
    std::array<char, 512> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                      std::chars_format::fixed, decimals);
    std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    Digits digits;
    const auto point = text.find('.');
    digits.integer = std::string(text.substr(0, point));
    if (point != std::string_view::npos) {
        digits.fraction = std::string(text.substr(point + 1));
    }
    const auto firstNonZero = digits.integer.find_first_not_of('0');
    digits.integer =
        firstNonZero == std::string::npos ? std::string() : digits.integer.substr(firstNonZero);
    return digits;
}

std::string layOutInteger(std::string_view patternPart, std::string_view digits) {
    // Walk the pattern from the right, handing out digits from the right; the text is built
    // backwards and turned round at the end.
    const std::size_t leftmostPlaceholder = patternPart.find_first_of("#0");
    if (leftmostPlaceholder == std::string_view::npos) {
        return std::string(digits) + std::string(patternPart);  // no placeholder: digits lead
    }
    std::string reversed;
    reversed.reserve(patternPart.size() + digits.size());
    std::size_t remaining = digits.size();
    for (std::size_t i = patternPart.size(); i-- > 0;) {
        const char c = patternPart[i];
        if (!isPlaceholder(c)) {
            reversed += c;
        } else if (i == leftmostPlaceholder) {
            // Every digit still left stands here.
            if (remaining == 0 && c == '0') {
                reversed += '0';
            }
            while (remaining > 0) {
                reversed += digits[--remaining];
            }
        } else if (remaining > 0) {
            reversed += digits[--remaining];
        } else if (c == '0') {
            reversed += '0';
        }
    }
    return std::string(reversed.rbegin(), reversed.rend());
}

std::string layOutFraction(std::string_view patternPart, const std::string& digits) {
    // Trailing "#" placeholders drop trailing zeros; "0" placeholders always show.
    std::size_t shown = digits.size();
    std::size_t placeholderIndex = digits.size();
    for (std::size_t i = patternPart.size(); i-- > 0;) {
        if (!isPlaceholder(patternPart[i])) {
            continue;
        }
        --placeholderIndex;
        if (patternPart[i] == '#' && shown == placeholderIndex + 1 &&
            digits[placeholderIndex] == '0') {
            shown = placeholderIndex;
        }
    }
    std::string out;
    std::size_t next = 0;
    for (char c : patternPart) {
        if (!isPlaceholder(c)) {
            out += c;
        } else {
            if (next < shown) {
                out += digits[next];
            }
            ++next;
        }
    }
    return out;
}

}  // namespace

std::string formatPattern(double value, std::string_view pattern) {
    if (!std::isfinite(value)) {
        value = 0.0;  // nothing we read can be infinite; show an empty-field result
    }
    const SplitPattern split = splitPattern(pattern);
    const Digits digits = roundedDigits(std::fabs(value), split.decimals);
    const bool roundsToZero =
        digits.integer.empty() && digits.fraction.find_first_not_of('0') == std::string::npos;
    std::string out = (value < 0 && !roundsToZero) ? "-" : "";
    out += layOutInteger(split.integerPart, digits.integer);
    if (split.hasPoint) {
        out += '.';
        out += layOutFraction(split.fractionPart, digits.fraction);
    }
    return out;
}

std::string formatTextPattern(std::string_view text, std::string_view pattern) {
    if (text.empty()) {
        return {};
    }
    const auto number = strictDouble(text);
    if (!number) {
        return std::string(text);
    }
    return formatPattern(*number, pattern);
}

std::string formatPlainSingle(float value) {
    if (value == 0.0f || !std::isfinite(value)) {
        return "0";
    }
    std::array<char, 64> buffer{};
    const double wide = static_cast<double>(value);
    const double magnitude = std::fabs(wide);
    const bool exponentForm = magnitude >= 1e7 || magnitude < 1e-4;
    const auto result = exponentForm ? std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                                     wide, std::chars_format::scientific, 6)
                                     : std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                                     wide, std::chars_format::general, 7);
    std::string text(buffer.data(), result.ptr);
    if (exponentForm) {
        // Drop trailing zeros of the mantissa: "1.500000e+07" -> "1.5e+07".
        const auto e = text.find('e');
        std::string mantissa = text.substr(0, e);
        const std::string exponent = text.substr(e);
        if (mantissa.find('.') != std::string::npos) {
            mantissa.erase(mantissa.find_last_not_of('0') + 1);
            if (mantissa.back() == '.') {
                mantissa.pop_back();
            }
        }
        text = mantissa + exponent;
    }
    return text;
}

std::string formatInteger(long long value) {
    return std::to_string(value);
}

}  // namespace trawlix::common
