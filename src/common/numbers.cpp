#include "common/numbers.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace trawlix::common {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Length of the decimal number at the start of `text` (sign, digits, point, exponent),
// 0 when there is none. An exponent counts only when digits follow the "e".
std::size_t numberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return 0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    return i;
}

// Converts exactly the number text `number` (as found by numberLength).
std::optional<double> convertNumber(std::string_view number) {
    bool negative = false;
    if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec != std::errc() || result.ptr != number.data() + number.size() ||
        !std::isfinite(value)) {
        // from_chars reports out-of-range for underflow too; a tiny number reads as 0.
        if (result.ec == std::errc::result_out_of_range && std::fabs(value) < 1.0) {
            return 0.0;
        }
        return std::nullopt;
    }
    return negative ? -value : value;
}

template <typename Int>
std::optional<Int> strictInteger(std::string_view text) {
    const auto value = strictDouble(text);
    if (!value) {
        return std::nullopt;
    }
    const double rounded = roundHalfEven(*value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

double roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double difference = value - floor;
    if (difference < 0.5) {
        return floor;
    }
    if (difference > 0.5) {
        return floor + 1.0;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

double leadingNumber(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    const std::size_t length = numberLength(text);
    if (length == 0) {
        return 0.0;
    }
    return convertNumber(text.substr(0, length)).value_or(0.0);
}

std::optional<double> strictDouble(std::string_view text) {
    text = trimBlanks(text);
    const std::size_t length = numberLength(text);
    if (length == 0 || length != text.size()) {
        return std::nullopt;
    }
    return convertNumber(text);
}

std::optional<float> strictSingle(std::string_view text) {
    const auto value = strictDouble(text);
    if (!value || std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(*value);
}

std::optional<std::int16_t> strictInt16(std::string_view text) {
    return strictInteger<std::int16_t>(text);
}

std::optional<std::int32_t> strictInt32(std::string_view text) {
    return strictInteger<std::int32_t>(text);
}

std::optional<bool> strictBool(std::string_view text) {
    const std::string_view word = trimBlanks(text);
    if (equalsIgnoringCase(word, "true")) {
        return true;
    }
    if (equalsIgnoringCase(word, "false")) {
        return false;
    }
    const auto number = strictDouble(word);
    if (!number) {
        return std::nullopt;
    }
    return *number != 0.0;
}

}  // namespace trawlix::common
