#include "link/line_settings.h"

#include "common/line_split.h"
#include "common/numbers.h"

namespace trawlix::link {
namespace {

constexpr int kLowestBaud = 50;
constexpr int kHighestBaud = 4'000'000;

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

LineSettingsResult failure(std::string why) {
    return {std::nullopt, std::move(why)};
}

}  // namespace

double LineSettings::bitsPerByte() const {
    const double stop = stopBits == StopBits::One          ? 1.0
                        : stopBits == StopBits::OneAndHalf ? 1.5
                                                           : 2.0;
    return 1.0 + dataBits + (parity == Parity::None ? 0.0 : 1.0) + stop;
}

std::int64_t LineSettings::lineTimeMs(std::size_t bytes) const {
    return static_cast<std::int64_t>(static_cast<double>(bytes) * bitsPerByte() * 1000.0 / baud);
}

LineSettingsResult parseLineSettings(std::string_view text) {
    const auto fields = common::splitFields(text);
    if (fields.size() != 4) {
        return failure("expected baud,parity,data bits,stop bits, such as 4800,N,8,1");
    }
    LineSettings settings;
    const std::string baudText = trimmed(fields[0]);
    const auto baud = common::strictInt32(baudText);
    if (!baud || baudText.find_first_not_of("0123456789") != std::string::npos ||
        *baud < kLowestBaud || *baud > kHighestBaud) {
        return failure("the baud rate \"" + baudText +
                       "\" is not a whole number from 50 to 4000000");
    }
    settings.baud = *baud;

    const std::string parity = trimmed(fields[1]);
    if (parity == "N" || parity == "n") {
        settings.parity = LineSettings::Parity::None;
    } else if (parity == "E" || parity == "e") {
        settings.parity = LineSettings::Parity::Even;
    } else if (parity == "O" || parity == "o") {
        settings.parity = LineSettings::Parity::Odd;
    } else if (parity == "M" || parity == "m") {
        settings.parity = LineSettings::Parity::Mark;
    } else if (parity == "S" || parity == "s") {
        settings.parity = LineSettings::Parity::Space;
    } else {
        return failure("the parity \"" + parity + "\" is not one of N, E, O, M, S");
    }

    const std::string dataBits = trimmed(fields[2]);
    if (dataBits.size() != 1 || dataBits[0] < '5' || dataBits[0] > '8') {
        return failure("the data bits \"" + dataBits + "\" are not 5, 6, 7 or 8");
    }
    settings.dataBits = dataBits[0] - '0';

    const std::string stopBits = trimmed(fields[3]);
    if (stopBits == "1") {
        settings.stopBits = LineSettings::StopBits::One;
    } else if (stopBits == "1.5") {
        settings.stopBits = LineSettings::StopBits::OneAndHalf;
    } else if (stopBits == "2") {
        settings.stopBits = LineSettings::StopBits::Two;
    } else {
        return failure("the stop bits \"" + stopBits + "\" are not 1, 1.5 or 2");
    }
    return {settings, {}};
}

}  // namespace trawlix::link
