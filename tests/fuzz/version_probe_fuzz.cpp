// What a device sends back while it is probed for a receiver, in pieces of any size, at
// each speed in turn.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/detection.h"
#include "link/version_probe.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace trawlix;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The first byte chooses how the bytes are cut into reads and where the speed changes.
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 64;
    const std::size_t half = bytes.size() / 2;
    app::PortProbe probe("/dev/ttyS0");
    for (const std::string_view part : {bytes.substr(0, half), bytes.substr(half)}) {
        link::VersionProbe reading;
        for (std::size_t at = 0; at < part.size(); at += piece) {
            reading.feed(part.substr(at, piece));
        }
        probe.speedDone(reading);
    }
    if (!probe.done()) {
        std::abort();  // two speeds always end a probe
    }
    const app::ProbeResult& result = probe.result();
    if ((result.outcome == app::ProbeOutcome::Found) != (result.baud != 0)) {
        std::abort();
    }
    if (app::describeResult(result).rfind("/dev/ttyS0", 0) != 0) {
        std::abort();
    }
    return 0;
}
