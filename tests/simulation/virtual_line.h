#pragma once

#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <string_view>
#include <vector>

// A serial line in virtual time: what one end writes reaches the other end byte by byte, each
// byte after its line time at the chosen baud rate, and the two directions do not wait for
// each other. Faults are made on whole sentences, so that a fault is always one the protocol
// can notice (a damaged sentence fails its checksum, a lost one is not acknowledged).
namespace trawlix::simulation {

using Micros = std::int64_t;  // virtual time
constexpr Micros kMillisecond = 1000;
constexpr Micros kSecond = 1000 * kMillisecond;

struct LineFaults {
    // Chances per sentence crossing the line, in either direction.
    double corrupt = 0.0;              // one byte of the body or checksum changed
    double dropByte = 0.0;             // one byte of the body or checksum lost
    double dropAcknowledgement = 0.0;  // a $PMGNCSM lost whole

    bool any() const { return corrupt > 0.0 || dropByte > 0.0 || dropAcknowledgement > 0.0; }
};

class LineDirection {
  public:
    void write(std::string_view bytes, Micros now, Micros byteTime);
    // The bytes whose last bit has arrived by `now`.
    std::string takeArrived(Micros now, Micros byteTime);
    // When the next line end (or, failing one, the last byte waiting) arrives; -1 when idle.
    Micros nextArrival(Micros byteTime) const;
    void clear() { chunks_.clear(); }
    // When the last byte written has arrived.
    Micros busyUntil() const { return freeAt_; }

  private:
    struct Chunk {
        Micros start;  // when its first bit went on the line
        std::string bytes;
        std::size_t delivered = 0;
    };
    std::deque<Chunk> chunks_;
    Micros freeAt_ = 0;
};

class VirtualLine {
  public:
    VirtualLine(int baud, std::uint32_t seed);

    Micros byteTime() const { return byteTime_; }
    void reseed(std::uint32_t seed) { random_.seed(seed); }
    void setBaud(int baud);

    // The host's and the receiver's ends. Faults apply to each sentence written.
    void writeFromHost(std::string_view bytes, Micros now);
    void writeFromReceiver(std::string_view bytes, Micros now);
    // Bytes put on the line as they are, with no fault applied: noise.
    void injectTowardsHost(std::string_view bytes, Micros now);
    void injectTowardsReceiver(std::string_view bytes, Micros now);

    std::string arrivedAtHost(Micros now) { return toHost_.takeArrived(now, byteTime_); }
    std::string arrivedAtReceiver(Micros now) { return toReceiver_.takeArrived(now, byteTime_); }
    Micros nextArrival() const;
    // When everything the host has written so far has reached the receiver.
    Micros towardsReceiverBusyUntil() const { return toReceiver_.busyUntil(); }
    // Everything in transit is gone, as when the cable is pulled.
    void cut();

    LineFaults faults;
    // When above 0: the sentence that many from now, either way, is lost whole, once.
    int loseSentence = 0;
    // What the faults did, for the session's log.
    std::vector<std::string> faultLog;

  private:
    void writeWithFaults(LineDirection& direction, std::string_view bytes, Micros now,
                         const char* towards);
    std::string applyFaults(std::string sentence, const char* towards);

    Micros byteTime_;
    LineDirection toHost_;
    LineDirection toReceiver_;
    std::mt19937 random_;
};

// The line time of one byte at 8N1.
Micros byteTimeAt(int baud);

}  // namespace trawlix::simulation
