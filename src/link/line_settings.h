#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trawlix::link {

// Line settings written as "baud,parity,data bits,stop bits", for example "4800,N,8,1".
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int baud = 4800;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // Bit times one byte takes on the line: start bit, data, parity, stop bits.
    double bitsPerByte() const;
    // Milliseconds `bytes` take on the line, rounded down.
    std::int64_t lineTimeMs(std::size_t bytes) const;
};

struct LineSettingsResult {
    std::optional<LineSettings> settings;
    std::string error;  // why the text does not parse
};

// Parity is one of N, E, O, M, S (either case); data bits 5 to 8; stop bits 1, 1.5 or 2;
// the baud rate a whole number from 50 to 4000000. Blanks around fields are allowed.
LineSettingsResult parseLineSettings(std::string_view text);

}  // namespace trawlix::link
