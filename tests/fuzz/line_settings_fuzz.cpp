// Line settings text as stored or typed.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/line_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto result = trawlix::link::parseLineSettings(
        std::string_view(reinterpret_cast<const char*>(data), size));
    if (result.settings.has_value() == !result.error.empty()) {
        __builtin_trap();  // exactly one of settings and reason
    }
    if (result.settings && (result.settings->bitsPerByte() < 7 || result.settings->baud <= 0)) {
        __builtin_trap();
    }
    return 0;
}
