// NMEA sentences handled per second, from the link's event to the six captions.
#include <benchmark/benchmark.h>

#include <string>

#include "app/your_form.h"
#include "support/null_parts.h"

namespace {

void NmeaToCaptions(benchmark::State& state) {
    trawlix::fuzzing::NullView view;
    trawlix::fuzzing::NullLink link;
    trawlix::fuzzing::NullSettings settings;
    trawlix::app::YourForm form(view, link, settings, "/");
    // What a receiver sends in a second, less the sentences the display passes over.
    const std::string sentences[] = {
        "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47",
        "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A",
        "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39",
        "$GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75",
    };
    std::size_t next = 0;
    for (auto _ : state) {
        std::string line = sentences[next];
        bool checksumError = false;
        form.Magellan_NMEA(line, checksumError);
        next = (next + 1) % 4;
    }
    state.SetItemsProcessed(state.iterations());
    benchmark::DoNotOptimize(view.captions);
}
BENCHMARK(NmeaToCaptions);

}  // namespace
