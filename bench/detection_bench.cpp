// Finding the receiver: how long a search takes, against simulated receivers on
// pseudo-terminals that pace their answers at the real line rate of 4800 baud.
//   none answers:  four silent devices; the search is over when every one has timed out.
//   found (window): a receiver among three silent devices; "Find GPS..." ends at the first
//                  receiver, so this is the time until its reply has arrived.
//   found (cli):   the same, heard out to the end, as trawlix-cli detect reports every device.
//   left in acknowledgement mode: one receiver, paced at its own speed, switched into
//                  acknowledgement mode as every transfer leaves it, searched 20 times in a
//                  row (each search finds it as the one before left it); how often it is
//                  found at its speed, and how long each search takes.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "link/sentence.h"
#include "qt/port_detector.h"
#include "sim/pty_host.h"

namespace {

using namespace trawlix;

struct Scenario {
    const char* name;
    int receiverBaud;  // 0: no receiver among the devices
    bool stopAtFirst;
};

double searchOnce(const Scenario& scenario) {
    constexpr int kSilentDevices = 3;
    std::vector<std::unique_ptr<sim::PtyHost>> hosts;
    const int devices = kSilentDevices + 1;
    for (int i = 0; i < devices; ++i) {
        sim::Faults faults;
        faults.silent = scenario.receiverBaud == 0 || i > 0;
        sim::PtyHost::Options options;
        options.paceBaud = 4800;
        options.answerBaud = scenario.receiverBaud;
        hosts.push_back(std::make_unique<sim::PtyHost>(
            sim::SimulatedReceiver(sim::exampleStore(), faults), options));
        std::string error;
        if (!hosts.back()->open(error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return -1;
        }
        hosts.back()->start();
    }
    std::vector<app::Candidate> candidates;
    for (const auto& host : hosts) {
        candidates.push_back({host->path(), {}});
    }
    app::PortDetector detector;
    detector.setStopAtFirstReceiver(scenario.stopAtFirst);
    QElapsedTimer clock;
    clock.start();
    detector.start(candidates);
    while (!detector.finished()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const bool found = app::firstReceiver(detector.results()).has_value();
    if (found != (scenario.receiverBaud != 0)) {
        std::fprintf(stderr, "%s: unexpected result\n", scenario.name);
    }
    return seconds;
}

double searchFor(const std::string& device, int& foundAtBaud) {
    app::PortDetector detector;
    QElapsedTimer clock;
    clock.start();
    detector.start({{device, {}}});
    while (!detector.finished()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const auto receiver = app::firstReceiver(detector.results());
    foundAtBaud = receiver ? receiver->baud : 0;
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

void leftInAcknowledgementMode(int baud) {
    constexpr int kTries = 20;
    sim::PtyHost::Options options;
    options.paceBaud = baud;
    options.answerBaud = baud;
    sim::PtyHost host(sim::SimulatedReceiver(sim::exampleStore()), options);
    std::string error;
    if (!host.open(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return;
    }
    host.withReceiver([](sim::SimulatedReceiver& receiver) {
        receiver.receive(link::frameSentence("$PMGNCMD,HANDON"), sim::Clock::now());
        receiver.takeOutput();
    });
    host.start();
    std::vector<double> times;
    int found = 0;
    for (int run = 0; run < kTries; ++run) {
        int foundAt = 0;
        times.push_back(searchFor(host.path(), foundAt));
        found += foundAt == baud ? 1 : 0;
    }
    std::sort(times.begin(), times.end());
    std::printf("acknowledgement mode, %d baud:  found %d of %d   %8.3f %8.3f %8.3f\n", baud, found,
                kTries, times.front(), times[kTries / 2], times.back());
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const Scenario scenarios[] = {
        {"none answers, 4 devices        ", 0, false},
        {"found at 4800 (window), 4 dev. ", 4800, true},
        {"found at 9600 (window), 4 dev. ", 9600, true},
        {"found at 4800 (cli), 4 devices ", 4800, false},
    };
    constexpr int kRuns = 5;
    std::printf("%s  %8s %8s %8s  (seconds, %d runs)\n", "search                         ", "min",
                "median", "max", kRuns);
    for (const Scenario& scenario : scenarios) {
        std::vector<double> times;
        for (int run = 0; run < kRuns; ++run) {
            times.push_back(searchOnce(scenario));
        }
        std::sort(times.begin(), times.end());
        std::printf("%s  %8.3f %8.3f %8.3f\n", scenario.name, times.front(), times[kRuns / 2],
                    times.back());
    }
    std::printf("\nsearch                                             min   median      max\n");
    for (const int baud : {4800, 9600}) {
        leftInAcknowledgementMode(baud);
    }
    return 0;
}
