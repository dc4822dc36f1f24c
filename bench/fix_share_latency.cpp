// Sharing the live fix under load: 10 sentences a second written to a pseudo-terminal, read
// by the serial link, and handed on by the TCP server to 16 clients, one of which never
// reads. Prints the latency from the serial byte to a reading client (median and 99th
// percentile) and the sentences each reading client lost, which should be none.
// Usage: bench_fix_share_latency [SECONDS]   (default 30)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/sentence.h"
#include "qt/fix_server.h"
#include "qt/serial_link.h"

namespace {

using namespace trawlix;
using Clock = std::chrono::steady_clock;

constexpr int kClients = 16;
constexpr int kSentencesPerSecond = 10;
constexpr std::uint16_t kPort = 0;  // any free port

// Sentence `n` of the run: its number stands in the time field, so a client can tell which.
std::string sentence(int n) {
    char body[128];
    std::snprintf(body, sizeof body,
                  "$GPGGA,%06d,4605.979,N,00713.315,E,1,08,0.9,1529.0,M,46.9,M,,", n);
    return link::frameSentence(body);
}

struct Arrivals {
    std::mutex mutex;
    std::vector<double> latencyMs;
    std::vector<int> received = std::vector<int>(kClients, 0);
};

// A client that reads every line and notes how long after it was written each arrived.
void readClient(int index, std::uint16_t port, const std::vector<Clock::time_point>& written,
                const std::atomic<int>& writtenCount, const std::atomic<bool>& done,
                Arrivals& arrivals) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("connect");
        return;
    }
    if (index == 0) {  // the one that never reads
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ::close(fd);
        return;
    }
    timeval timeout{0, 200'000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::string pending;
    char buffer[4096];
    while (!done) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        const auto now = Clock::now();
        if (got <= 0) {
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;
             pending.erase(0, end + 2)) {
            const int n = std::atoi(pending.c_str() + 7);
            if (n < 0 || n >= writtenCount) {
                continue;
            }
            const double ms = std::chrono::duration<double, std::milli>(
                                  now - written[static_cast<std::size_t>(n)])
                                  .count();
            const std::lock_guard lock(arrivals.mutex);
            arrivals.latencyMs.push_back(ms);
            ++arrivals.received[static_cast<std::size_t>(index)];
        }
    }
    ::close(fd);
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    int master = -1;
    int slave = -1;
    char path[128];
    if (::openpty(&master, &slave, path, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    const std::string device = path;
    link::SerialLink link([device](std::int16_t) { return device; });
    link.setPortNumber(1);
    link.setPortSettings("4800,N,8,1");
    qt::FixServer server;
    if (const auto failure = server.listen({"127.0.0.1", kPort})) {
        std::fprintf(stderr, "%s\n", failure->c_str());
        return 1;
    }
    link.setNmeaTap([&server](const std::string& line, bool) { server.offer(line); });
    if (!link.OpenPort()) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }
    const std::uint16_t port = server.port();

    const int total = seconds * kSentencesPerSecond;
    std::vector<Clock::time_point> written(static_cast<std::size_t>(total));
    std::atomic<int> writtenCount{0};
    std::atomic<bool> done{false};
    Arrivals arrivals;
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back(readClient, i, port, std::cref(written), std::cref(writtenCount),
                             std::cref(done), std::ref(arrivals));
    }
    QElapsedTimer settle;
    settle.start();
    while (server.clientCount() < kClients && settle.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::thread writer([&] {
        const auto start = Clock::now();
        for (int n = 0; n < total; ++n) {
            std::this_thread::sleep_until(start + std::chrono::milliseconds(1000 * n) /
                                                      kSentencesPerSecond);
            const std::string bytes = sentence(n);
            written[static_cast<std::size_t>(n)] = Clock::now();
            writtenCount = n + 1;
            if (::write(master, bytes.data(), bytes.size()) < 0) {
                std::perror("write");
            }
        }
    });
    QElapsedTimer run;
    run.start();
    while (run.elapsed() < seconds * 1000 + 1000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    writer.join();
    done = true;
    for (std::thread& client : clients) {
        client.join();
    }
    int lost = 0;
    for (int i = 1; i < kClients; ++i) {
        lost += total - arrivals.received[static_cast<std::size_t>(i)];
    }
    std::printf("%d sentences at %d a second, %d clients (one never reads), %zu arrivals\n", total,
                kSentencesPerSecond, kClients, arrivals.latencyMs.size());
    std::printf("latency serial byte -> TCP client: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                percentile(arrivals.latencyMs, 0.5), percentile(arrivals.latencyMs, 0.99),
                percentile(arrivals.latencyMs, 1.0));
    std::printf("sentences lost by the %d reading clients: %d\n", kClients - 1, lost);
    link.ClosePort();
    ::close(slave);
    ::close(master);
    return lost == 0 ? 0 : 1;
}
