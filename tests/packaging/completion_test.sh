#!/usr/bin/env bash
# Drives the bash completion of trawlix-cli as bash would, word by word, and checks what it
# offers. Usage: completion_test.sh COMPLETION-FILE
set -uo pipefail
# shellcheck source=/dev/null
source "$1"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch track.txt tracks-old.txt waypoints.txt tty0 tty1

failures=0
# The words in a line, in one order: bash sorts what it shows anyway.
in_order() {
    tr ' ' '\n' | LC_ALL=C sort | paste -s -d ' '
}

# expect "WHAT IS OFFERED" WORD... : the last word is the one being completed.
expect() {
    local expected="$1"
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _trawlix_cli
    local offered
    offered="$(in_order <<<"${COMPREPLY[*]}")"
    if [[ $offered != "$(in_order <<<"$expected")" ]]; then
        echo "FAIL: '$*' offered '$offered', expected '$expected'"
        failures=$((failures + 1))
    fi
}

# The command comes first, whatever options stand before it.
expect "version download upload nmea share convert backup restore info picture ports detect" trawlix-cli ""
expect "--save" trawlix-cli detect --s
expect "--listen" trawlix-cli share --lis
expect "download" trawlix-cli "do"
expect "upload" trawlix-cli --port 2 up
expect "version" trawlix-cli --device /dev/ttyUSB0 --line 9600,N,8,1 --verbose v

# A transfer takes a kind, then one file, then nothing.
expect "waypoints routes tracks" trawlix-cli download ""
expect "tracks" trawlix-cli --port 2 upload tr
expect "track.txt tracks-old.txt" trawlix-cli download tracks tr
expect "" trawlix-cli upload waypoints waypoints.txt ""
expect "" trawlix-cli nmea ""

# Option values.
expect "4800,N,8,1 9600,N,8,1" trawlix-cli --line ""
expect "9600,N,8,1" trawlix-cli upload --line 9 
expect "$work/tty0 $work/tty1" trawlix-cli --device "$work/tt"
expect "" trawlix-cli nmea --count ""

# Options: those of a command only once it is given.
expect "--verbose --version" trawlix-cli --ver
expect "" trawlix-cli --cou
expect "--count" trawlix-cli nmea --cou
expect "--seconds" trawlix-cli --port 1 nmea --s
expect "--waypoints --week-rollover" trawlix-cli convert routes r.txt r.gpx --w
expect "auto" trawlix-cli --week-rollover a
expect "text gpx" trawlix-cli --format ""
expect "--dry-run" trawlix-cli restore --dr
expect "waypoints,routes" trawlix-cli restore b.gpx --only waypoints,r
expect "track.txt tracks-old.txt" trawlix-cli backup tr

if [ "$failures" -ne 0 ]; then
    echo "$failures completion cases failed"
    exit 1
fi
echo "every completion case passed"
