// An hour of NMEA at ten sentences a second, time-compressed, through the serial link into
// the window's live display: resident memory must stay flat.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/your_form.h"
#include "link/sentence.h"
#include "qt/serial_link.h"
#include "sim/pty_host.h"
#include "support/null_parts.h"

namespace {

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

std::vector<std::string> anHourOfNmea() {
    constexpr int kSentences = 3600 * 10;
    std::vector<std::string> lines;
    for (int i = 0; i < kSentences; ++i) {
        const int second = i / 10;
        char body[160];
        const int kind = i % 10;
        if (kind == 0) {
            std::snprintf(body, sizeof body,
                          "GPGGA,%02d%02d%02d.00,4807.%03d,N,01131.%03d,E,1,08,0.9,%d.4,M,46.9,M,,",
                          second / 3600, second / 60 % 60, second % 60, second % 1000,
                          (second * 7) % 1000, 500 + second % 100);
        } else if (kind == 1) {
            std::snprintf(
                body, sizeof body,
                "GPRMC,%02d%02d%02d.00,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W",
                second / 3600, second / 60 % 60, second % 60);
        } else if (kind == 2) {
            std::snprintf(body, sizeof body, "GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
        } else {
            std::snprintf(body, sizeof body,
                          "GPGSV,3,%d,11,03,03,111,00,04,15,270,00,06,01,010,00,13,06,292,00",
                          kind % 3 + 1);
        }
        const std::string framed = trawlix::link::frameSentence(std::string("$") + body);
        lines.push_back(framed.substr(0, framed.size() - 2));  // the log has no line ends
    }
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace trawlix;
    QCoreApplication application(argc, argv);
    auto lines = anHourOfNmea();
    sim::PtyHost host(sim::SimulatedReceiver(), {});
    std::string error;
    if (!host.open(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    host.start();
    const std::string device = host.path();
    link::SerialLink link([device](std::int16_t) { return device; });
    fuzzing::NullView view;
    fuzzing::NullSettings settings;
    app::YourForm form(view, link, settings, "/");
    link.setPortNumber(1);
    link.setPortSettings("4800,N,8,1");
    link.OpenPort();
    // Settle the event loop and the allocator before the first reading.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200) {
        QCoreApplication::processEvents();
    }
    const long before = residentKilobytes();
    const std::size_t total = lines.size();
    // The receiver keeps the log it plays; it is moved there, not copied.
    host.withReceiver([&](sim::SimulatedReceiver& r) {
        r.replay(std::move(lines), std::chrono::microseconds(50));
    });
    std::printf("resident memory before: %ld kB\n", before);
    timer.restart();
    std::size_t nextTenth = 1;
    long atTenth = 0;
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::size_t played = 0;
        host.withReceiver([&](sim::SimulatedReceiver& r) { played = r.replayed(); });
        if (played * 10 >= nextTenth * total) {
            const long now = residentKilobytes();
            atTenth = nextTenth == 1 ? now : atTenth;
            std::printf("%3zu%% of the hour: %ld kB\n", nextTenth * 10, now);
            ++nextTenth;
        }
        if (played == total || timer.elapsed() > 60000) {
            break;
        }
    }
    const auto drain = timer.elapsed();
    while (timer.elapsed() < drain + 500) {
        QCoreApplication::processEvents();
    }
    const long after = residentKilobytes();
    std::printf(
        "%zu sentences (an hour at ten a second) in %.1f s; resident memory %ld kB before, "
        "%ld kB at 10%%, %ld kB after: %+ld kB over the last 90%%; last fix shown: %s %s %s\n",
        total, static_cast<double>(timer.elapsed()) / 1000.0, before, atTenth, after,
        after - atTenth, view.caption(app::Label::Time).c_str(),
        view.caption(app::Label::Lat).c_str(), view.caption(app::Label::Lon).c_str());
    link.ClosePort();
    host.stop();
    return 0;
}
