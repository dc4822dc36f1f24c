// The link's share of the serial line: a track download from the simulated receiver, which
// paces both directions at the real line rate, at 4800 and 9600 baud (baud / 10 bytes a
// second each way at 8N1). Two figures:
//   busy: the line time of every byte that crossed, both directions, over the time taken.
//         1.0 means the line never stood idle waiting for the link; a little above 1.0 comes
//         from a line end still crossing one way while the answer starts the other way.
//   data: the receiver's sentences alone over what one direction carries: with
//         acknowledgements, the protocol waits for each answer, and that is its ceiling.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "qt/serial_link.h"
#include "sim/pty_host.h"

namespace {

using namespace trawlix;

struct Counter : link::GpsLinkListener {
    std::size_t bytes = 0;
    std::size_t fromReceiver = 0;
    bool ended = false;
    void Receive(std::string& ID, std::string&) override { ended = ended || ID == "END"; }
    void NMEA(std::string&, bool&) override {}
    void cError(std::int16_t&, std::string& text, std::string&) override {
        std::fprintf(stderr, "error: %s\n", text.c_str());
    }
    void mDebug(std::string& line) override {
        // "> $...*hh" sent, "< $...*hh" received; each went out with CR LF.
        if (line.rfind("> $", 0) == 0 || line.rfind("< $", 0) == 0) {
            const std::size_t onLine = line.size() - 2 + 2;
            bytes += onLine;
            fromReceiver += line[0] == '<' ? onLine : 0;
        }
    }
};

void measure(int baud, int points, bool acknowledged) {
    sim::PtyHost host(sim::SimulatedReceiver(sim::exampleStore(36, points)), {"", baud});
    std::string error;
    if (!host.open(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return;
    }
    host.start();
    const std::string device = host.path();
    link::SerialLink link([device](std::int16_t) { return device; });
    Counter counter;
    link.setListener(&counter);
    link.setPortNumber(1);
    link.setPortSettings(std::to_string(baud) + ",N,8,1");
    link.OpenPort();
    if (acknowledged) {
        link.ConfigureLink(1);
    }
    counter.bytes = 0;
    counter.fromReceiver = 0;
    QElapsedTimer timer;
    timer.start();
    link.RequestTracks();
    while (!counter.ended && timer.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double limit = baud / 10.0 * seconds;
    std::printf(
        "%5d baud, %s: %d track points, %zu bytes in %.2f s (%.0f bytes/s, the line "
        "carries %d): busy %.3f, data %.3f\n",
        baud, acknowledged ? "acknowledged" : "streamed    ", points, counter.bytes, seconds,
        static_cast<double>(counter.bytes) / seconds, baud / 10,
        static_cast<double>(counter.bytes) / limit,
        static_cast<double>(counter.fromReceiver) / limit);
    link.setListener(nullptr);
    link.ClosePort();
    host.stop();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    measure(4800, 60, true);
    measure(9600, 120, true);
    measure(4800, 60, false);
    measure(9600, 120, false);
    return 0;
}
