// trawlix-sim: a simulated hand-held GPS receiver behind a pseudo-terminal (or a given
// serial device), for trying Trawlix without hardware.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/numbers.h"
#include "common/version.h"
#include "sim/pty_host.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) {
    stopRequested = 1;
}

void usage() {
    std::puts(
        "usage: trawlix-sim [options]\n"
        "  --device PATH        serve on this serial device instead of a new pseudo-terminal\n"
        "  --pace BAUD          send no faster than a real line at BAUD (8N1)\n"
        "  --only-baud BAUD     answer only a host set to BAUD; garbled bytes at any other\n"
        "  --waypoints N        waypoints in the store (default 36)\n"
        "  --track-points N     track points in the store (default 300)\n"
        "  --empty              start with no waypoints, routes or track points\n"
        "  --nmea-interval MS   time between NMEA fixes (default 1000)\n"
        "  --week-rollover N    date the track log and the live fix N times 1024 weeks early\n"
        "  --replay FILE        play a recorded NMEA log back, a line every 100 ms\n"
        "  --drop-ack N         do not send the N-th acknowledgement\n"
        "  --corrupt N          send the N-th sentence with a wrong checksum\n"
        "  --silent             never answer\n"
        "  --silent-after N     answer nothing after N sentences\n"
        "  --hang-up-after N    hang up the line after N sentences\n"
        "  --received-log FILE  on exit, write every sentence received to FILE, one a line\n"
        "  --help               this text\n"
        "  --version            the version of trawlix-sim\n"
        "Prints the device path on the first line, then runs until interrupted.");
}

bool numberArgument(int& i, int argc, char** argv, int& out) {
    if (i + 1 >= argc) {
        return false;
    }
    const auto value = trawlix::common::strictInt32(argv[++i]);
    if (!value || *value < 0) {
        return false;
    }
    out = *value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace trawlix::sim;
    PtyHost::Options options;
    Faults faults;
    int waypoints = 36;
    int trackPoints = 300;
    int nmeaInterval = 1000;
    int rolloverPeriods = 0;
    std::string replayFile;
    std::string receivedLog;
    bool empty = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        bool ok = true;
        if (arg == "--device" && i + 1 < argc) {
            options.device = argv[++i];
        } else if (arg == "--pace") {
            ok = numberArgument(i, argc, argv, options.paceBaud);
        } else if (arg == "--only-baud") {
            ok = numberArgument(i, argc, argv, options.answerBaud);
        } else if (arg == "--waypoints") {
            ok = numberArgument(i, argc, argv, waypoints);
        } else if (arg == "--track-points") {
            ok = numberArgument(i, argc, argv, trackPoints);
        } else if (arg == "--empty") {
            empty = true;
        } else if (arg == "--nmea-interval") {
            ok = numberArgument(i, argc, argv, nmeaInterval);
        } else if (arg == "--week-rollover") {
            ok = numberArgument(i, argc, argv, rolloverPeriods);
        } else if (arg == "--replay" && i + 1 < argc) {
            replayFile = argv[++i];
        } else if (arg == "--received-log" && i + 1 < argc) {
            receivedLog = argv[++i];
        } else if (arg == "--drop-ack") {
            ok = numberArgument(i, argc, argv, faults.dropAcknowledgement);
        } else if (arg == "--corrupt") {
            ok = numberArgument(i, argc, argv, faults.corruptChecksum);
        } else if (arg == "--silent") {
            faults.silent = true;
        } else if (arg == "--silent-after") {
            ok = numberArgument(i, argc, argv, faults.silentAfter);
        } else if (arg == "--hang-up-after") {
            ok = numberArgument(i, argc, argv, faults.hangUpAfter);
        } else if (arg == "--help" || arg == "-h") {
            usage();
            return 0;
        } else if (arg == "--version") {
            std::printf("trawlix-sim %s\n", trawlix::common::kVersion);
            return 0;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "trawlix-sim: bad option %s (see --help)\n", arg.c_str());
            return 2;
        }
    }
    ReceiverStore store = exampleStore(waypoints, trackPoints);
    if (empty) {
        store.waypoints.clear();
        store.routes.clear();
        store.track.clear();
    }
    for (StoredTrackPoint& point : store.track) {
        point.date = dateBehind(point.date, rolloverPeriods);
    }
    SimulatedReceiver receiver(store, faults);
    receiver.setNmeaInterval(std::chrono::milliseconds(nmeaInterval));
    receiver.setWeekRollover(rolloverPeriods);
    if (!replayFile.empty()) {
        std::ifstream log(replayFile, std::ios::binary);
        if (!log) {
            std::fprintf(stderr, "trawlix-sim: can't read %s\n", replayFile.c_str());
            return 1;
        }
        std::vector<std::string> lines;
        for (std::string line; std::getline(log, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
        }
        receiver.replay(std::move(lines), std::chrono::milliseconds(100));
    }
    PtyHost host(std::move(receiver), options);
    std::string error;
    if (!host.open(error)) {
        std::fprintf(stderr, "trawlix-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", host.path().c_str());
    std::fflush(stdout);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    host.start();
    while (stopRequested == 0) {
        ::usleep(50'000);
    }
    host.stop();
    if (!receivedLog.empty()) {
        std::ofstream log(receivedLog, std::ios::binary);
        host.withReceiver([&log](SimulatedReceiver& served) {
            for (const std::string& sentence : served.received()) {
                log << sentence << '\n';
            }
        });
        if (!log) {
            std::fprintf(stderr, "trawlix-sim: can't write %s\n", receivedLog.c_str());
            return 1;
        }
    }
    return 0;
}
