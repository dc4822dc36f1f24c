// NMEA sentences into the live display, and numbers into the display patterns.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/your_form.h"
#include "common/numbers.h"
#include "common/pattern_format.h"
#include "support/null_parts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trawlix;
    const std::string input(reinterpret_cast<const char*>(data), size);
    fuzzing::NullView view;
    fuzzing::NullLink link;
    fuzzing::NullSettings settings;
    app::YourForm form(view, link, settings, "/");
    std::string sentence = input;
    bool checksumError = false;
    form.Magellan_NMEA(sentence, checksumError);

    // The text before the first newline as a value, the rest as a pattern.
    const auto newline = input.find('\n');
    const std::string value = input.substr(0, newline);
    const std::string pattern = newline == std::string::npos ? "##.0" : input.substr(newline + 1);
    if (pattern.size() < 64) {  // patterns are short; the output grows with their length
        common::formatPattern(common::leadingNumber(value), pattern);
        common::formatTextPattern(value, pattern);
    }
    if (const auto number = common::strictSingle(value)) {
        // A plain single reads back as the same value to seven significant digits.
        const auto back = common::strictSingle(common::formatPlainSingle(*number));
        const double error = back ? std::fabs(static_cast<double>(*back) - *number) : 1e300;
        if (error > 1e-6 * std::fabs(static_cast<double>(*number)) + 1e-38) {
            __builtin_trap();
        }
    }
    return 0;
}
