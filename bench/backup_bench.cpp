// A backup of the simulated receiver's full store (36 waypoints, 3 routes, 300 track points)
// against the three downloads it is made of, and a restore into an empty receiver against
// the three uploads, in the simulation's virtual time: the line time of every byte at the
// baud rate, each way, with the receiver's own pace.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>

#include "simulation/session.h"

namespace {

using namespace trawlix;
using namespace trawlix::simulation;

Session::Setup setupAt(int baud, const std::filesystem::path& folder, bool empty) {
    Session::Setup setup;
    setup.baud = baud;
    setup.folder = folder;
    if (empty) {
        setup.store = sim::ReceiverStore{};
    } else {
        setup.store = sim::exampleStore();
    }
    return setup;
}

// The virtual time from the choice of `entry` until a box starting with `box` opens, or -1
// when none does within an hour.
double timedTransfer(Session& session, int entry, const std::string& file, const std::string& box) {
    const std::size_t before = session.view().messages.size();
    const Micros start = session.time();
    session.choose(entry, file);
    const bool done = session.runUntil(
        [&] {
            const auto& messages = session.view().messages;
            for (std::size_t i = before; i < messages.size(); ++i) {
                if (messages[i].text.rfind(box, 0) == 0) {
                    return true;
                }
            }
            return false;
        },
        3600 * kSecond);
    return done ? static_cast<double>(session.time() - start) / kSecond : -1.0;
}

double wholeRun(Session& session, const std::function<void()>& begin) {
    const Micros start = session.time();
    std::optional<Micros> end;
    session.onRunFinished = [&](const app::KindSequence& run) {
        end = run.completed() ? session.time() : -1;
    };
    begin();
    session.runUntil([&] { return end.has_value(); }, 3600 * kSecond);
    return end && *end >= 0 ? static_cast<double>(*end - start) / kSecond : -1.0;
}

void report(const char* what, double whole, double parts[3], const char* partsWhat) {
    const double sum = parts[0] + parts[1] + parts[2];
    std::printf("  %-34s %7.2f s   %s: %.2f + %.2f + %.2f = %.2f s   %+.2f%%\n", what, whole,
                partsWhat, parts[0], parts[1], parts[2], sum, 100.0 * (whole - sum) / sum);
}

}  // namespace

int main() {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("trawlix-bench-backup-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    for (const int baud : {4800, 9600}) {
        std::printf("%d baud, virtual time:\n", baud);
        Session full(setupAt(baud, folder, false));
        full.start();
        double text[3];
        double gpx[3];
        for (int kind = 0; kind < 3; ++kind) {
            text[kind] = timedTransfer(full, app::kRequestWaypoints + kind,
                                       "part" + std::to_string(kind) + ".txt", "Received ");
            gpx[kind] = timedTransfer(full, app::kRequestWaypoints + kind,
                                      "part" + std::to_string(kind) + ".gpx", "Received ");
        }
        const double backup = wholeRun(full, [&] { full.backUp("backup.gpx"); });
        report("backup", backup, text, "downloads as text");
        report("", backup, gpx, "downloads as GPX");

        double uploads[3];
        Session target(setupAt(baud, folder, true));
        target.start();
        for (int kind = 0; kind < 3; ++kind) {
            uploads[kind] = timedTransfer(target, app::kSendWaypoints + kind,
                                          full.path("backup.gpx"), "Transfer Complete");
        }
        Session empty(setupAt(baud, folder, true));
        empty.start();
        const double restore = wholeRun(empty, [&] { empty.restore(full.path("backup.gpx")); });
        report("restore into an empty receiver", restore, uploads, "uploads from the backup");
    }
    std::filesystem::remove_all(folder);
    return 0;
}
