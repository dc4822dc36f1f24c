#!/usr/bin/env bash
# The NMEA path from bytes beside gpsd's decoder on the same file, in the same run: the
# recorded walk repeated to a million sentences, as bench_nmea_path repeats it in memory,
# then decoded by `gpsdecode` (package gpsd-clients) and by Trawlix's reader and display,
# without and with the live fix shared to 16 programs.
# Usage: bench/nmea_beside_gpsdecode.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
walk=tests/data/walk.nmea
file="$(mktemp --suffix=.nmea)"
trap 'rm -f "$file"' EXIT
awk '{ walk = walk $0 "\n" } END { for (n = 0; n < 1000000; n += NR) printf "%s", walk }' \
    "$walk" > "$file"
echo "file: $(wc -l < "$file") sentences, $(wc -c < "$file") bytes"
if command -v gpsdecode > /dev/null; then
    TIMEFORMAT="gpsdecode: %R s wall, %U s user"
    for _ in 1 2 3; do
        time gpsdecode < "$file" > /dev/null
    done
else
    echo "gpsdecode: not installed (apt-get install gpsd-clients)"
fi
"$build/bench/bench_nmea_path" --benchmark_repetitions=3 --benchmark_min_time=1 \
    --benchmark_filter='reader_and_display|reader_display_and_share_16'
