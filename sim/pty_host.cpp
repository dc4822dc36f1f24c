#include "sim/pty_host.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace trawlix::sim {
namespace {

constexpr int kPollMs = 5;
constexpr std::size_t kReadChunk = 4096;

void makeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
}

}  // namespace

PtyHost::PtyHost(SimulatedReceiver receiver, Options options)
    : receiver_(std::move(receiver)), options_(std::move(options)) {}

PtyHost::~PtyHost() {
    stop();
    hangUp();
}

bool PtyHost::open(std::string& error) {
    if (!options_.device.empty()) {
        fd_ = ::open(options_.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ < 0) {
            error = options_.device + ": " + std::strerror(errno);
            return false;
        }
        makeRaw(fd_);
        path_ = options_.device;
        return true;
    }
    fd_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0 || grantpt(fd_) != 0 || unlockpt(fd_) != 0) {
        error = std::string("can't make a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ptsname(fd_);
    if (name == nullptr) {
        error = std::string("can't name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    path_ = name;
    keepOpenFd_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (keepOpenFd_ >= 0) {
        makeRaw(keepOpenFd_);
    }
    return true;
}

void PtyHost::start() {
    thread_ = std::thread([this] { run(); });
}

void PtyHost::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void PtyHost::withReceiver(const std::function<void(SimulatedReceiver&)>& f) {
    std::lock_guard lock(mutex_);
    f(receiver_);
}

void PtyHost::hangUp() {
    if (keepOpenFd_ >= 0) {
        ::close(keepOpenFd_);
        keepOpenFd_ = -1;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void PtyHost::run() {
    // Bytes the line may carry per poll when pacing: 10 bit times a byte at 8N1.
    const double bytesPerMs = options_.paceBaud > 0 ? options_.paceBaud / 10.0 / 1000.0 : 0.0;
    double allowance = 0.0;
    auto lastTick = Clock::now();
    char buffer[kReadChunk];
    while (!stopping_) {
        pollfd descriptor{fd_, POLLIN, 0};
        ::poll(&descriptor, 1, kPollMs);
        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            receiver_.receive(std::string_view(buffer, static_cast<std::size_t>(got)), now);
        }
        receiver_.tick(now);
        pending_ += receiver_.takeOutput();
        std::size_t budget = pending_.size();
        if (bytesPerMs > 0.0) {
            allowance +=
                bytesPerMs *
                static_cast<double>(
                    std::chrono::duration_cast<std::chrono::microseconds>(now - lastTick).count()) /
                1000.0;
            budget = std::min(budget, static_cast<std::size_t>(allowance));
        }
        lastTick = now;
        if (budget > 0) {
            const ssize_t written = ::write(fd_, pending_.data(), budget);
            if (written > 0) {
                pending_.erase(0, static_cast<std::size_t>(written));
                allowance -= static_cast<double>(written);
            }
        }
        if (pending_.empty() && bytesPerMs > 0.0) {
            allowance = std::min(allowance, bytesPerMs * kPollMs);  // no saving up while idle
        }
        if (receiver_.hungUp() && pending_.empty()) {
            hangUp();
            return;
        }
    }
}

}  // namespace trawlix::sim
