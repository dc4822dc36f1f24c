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
// Pacing at the line rate wants a finer clock: a poll's wait is a gap on the line.
constexpr int kPacedPollMs = 1;
constexpr std::size_t kReadChunk = 4096;

void makeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
}

// What a byte sent at one speed looks like to a receiver set to another: never text, never
// the start or end of a sentence.
void garble(std::string& bytes) {
    for (char& c : bytes) {
        c = static_cast<char>(static_cast<unsigned char>(c) | 0x80U);
    }
}

int baudOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 0;
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

int PtyHost::hostBaud() const {
    // On a pseudo-terminal the master reads the settings of the slave, the host's side.
    termios settings{};
    const int fd = keepOpenFd_ >= 0 ? keepOpenFd_ : fd_;
    if (fd < 0 || tcgetattr(fd, &settings) != 0) {
        return 0;
    }
    return baudOf(cfgetospeed(&settings));
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

namespace {

// The line rate, as an allowance of bytes that grows with time and is spent by sending;
// without pacing everything goes at once.
class LinePace {
  public:
    explicit LinePace(int baud) : bytesPerMicrosecond_(baud > 0 ? baud / 10.0 / 1e6 : 0.0) {}

    std::size_t allowed(std::size_t wanted, Clock::time_point now) {
        if (bytesPerMicrosecond_ == 0.0) {
            return wanted;
        }
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(now - last_).count();
        last_ = now;
        allowance_ += bytesPerMicrosecond_ * static_cast<double>(elapsed);
        if (wanted == 0) {
            // An idle line saves nothing up beyond one poll's worth.
            allowance_ = std::min(allowance_, bytesPerMicrosecond_ * kPacedPollMs * 1000.0);
        }
        return std::min(wanted, static_cast<std::size_t>(allowance_));
    }
    void spend(std::size_t bytes) { allowance_ -= static_cast<double>(bytes); }

  private:
    double bytesPerMicrosecond_;
    double allowance_ = 0.0;
    Clock::time_point last_ = Clock::now();
};

}  // namespace

void PtyHost::run() {
    LinePace toHost(options_.paceBaud);
    LinePace fromHost(options_.paceBaud);
    std::string inbox;  // bytes from the host still crossing the line
    char buffer[kReadChunk];
    while (!stopping_) {
        pollfd descriptor{fd_, POLLIN, 0};
        ::poll(&descriptor, 1, options_.paceBaud > 0 ? kPacedPollMs : kPollMs);
        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            inbox.append(buffer, static_cast<std::size_t>(got));
        }
        const std::size_t arrived = fromHost.allowed(inbox.size(), now);
        if (arrived > 0) {
            receiver_.receive(std::string_view(inbox).substr(0, arrived), now);
            inbox.erase(0, arrived);
            fromHost.spend(arrived);
        }
        receiver_.tick(now);
        std::string output = receiver_.takeOutput();
        if (options_.answerBaud != 0 && !output.empty() && hostBaud() != options_.answerBaud) {
            garble(output);
        }
        pending_ += output;
        const std::size_t budget = toHost.allowed(pending_.size(), now);
        if (budget > 0) {
            const ssize_t written = ::write(fd_, pending_.data(), budget);
            if (written > 0) {
                pending_.erase(0, static_cast<std::size_t>(written));
                toHost.spend(static_cast<std::size_t>(written));
            }
        }
        if (receiver_.hungUp() && pending_.empty()) {
            hangUp();
            return;
        }
    }
}

}  // namespace trawlix::sim
