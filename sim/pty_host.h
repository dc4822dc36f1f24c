#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/simulated_receiver.h"

namespace trawlix::sim {

// Puts a simulated receiver behind a serial device, the way a real one sits behind a tty:
// a new pseudo-terminal (whose path the host opens) or an existing serial device. Runs the
// receiver on a thread of its own until stopped or until the receiver hangs up.
class PtyHost {
  public:
    struct Options {
        std::string device;  // empty: open a new pseudo-terminal
        int paceBaud = 0;    // 0: as fast as the pty takes it; else at the line rate of 8N1
        // 0: answers whatever speed the host set; else only at this speed, and what it sends
        // reaches a host at any other speed garbled, as on a real line.
        int answerBaud = 0;
    };

    PtyHost(SimulatedReceiver receiver, Options options);
    ~PtyHost();
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    // Opens the device; false with `error` set when that fails.
    bool open(std::string& error);
    // The path the host opens: the pseudo-terminal's, or the device given.
    const std::string& path() const { return path_; }

    void start();  // runs on a thread
    void run();    // runs here until stop() or a hang-up
    void stop();

    // Runs `f` on the receiver while its thread is held.
    void withReceiver(const std::function<void(SimulatedReceiver&)>& f);

  private:
    void hangUp();
    // The speed the host set on its side of the line; 0 when it cannot be read.
    int hostBaud() const;

    SimulatedReceiver receiver_;
    Options options_;
    std::string path_;
    int fd_ = -1;
    int keepOpenFd_ = -1;  // our own hold on the slave, so the line stays up between opens
    std::string pending_;  // bytes waiting for the line
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::thread thread_;
};

}  // namespace trawlix::sim
