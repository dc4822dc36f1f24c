#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings_store.h"

// Sharing the live fix: the receiver's NMEA sentences handed on, as they came, to navigation
// programs that connect over TCP (chart plotters, gpsd). This is the part without sockets:
// which sentences go out, the queue each client reads from, and the setting.
namespace trawlix::app {

// The port navigation programs look for NMEA 0183 on.
inline constexpr std::uint16_t kSharePort = 10110;
inline constexpr const char* kShareLoopback = "127.0.0.1";

struct ListenAddress {
    std::string host = kShareLoopback;
    std::uint16_t port = kSharePort;

    // "127.0.0.1:10110", "[::1]:10110".
    std::string text() const;
    // Only programs on this machine can connect.
    bool loopbackOnly() const;
};

// "[ADDRESS:]PORT", the address an IPv4 one, "localhost", or an IPv6 one in brackets; an
// omitted address is the loopback one. Nothing when the text is not that.
std::optional<ListenAddress> parseListenAddress(std::string_view text);
// Empty for a loopback address; otherwise the line that says the position is open to others.
std::string exposureWarning(const ListenAddress& address);
// "Sharing on 127.0.0.1:10110 · 2 programs".
std::string sharingStatus(const ListenAddress& address, std::size_t programs);

// A sentence the receiver sent ("$GPGGA,...*47", without line end) that may go out: a
// standard NMEA one (not proprietary, so never the transfer protocol's own, which carry the
// user's waypoints and tracks) whose checksum is there and right.
bool isShareableSentence(std::string_view sentence);

// The lines waiting for the connected programs. One ring holds the latest lines for all of
// them, and each client has its place in it: a slow client never holds up the others, nor
// costs a copy per line. A client a whole ring behind loses its oldest lines; one that stays
// behind for kStuckSeconds is to be disconnected.
class FixFeed {
  public:
    using ClientId = std::uint64_t;
    static constexpr std::size_t kQueueLines = 64;  // several seconds of fixes
    static constexpr double kStuckSeconds = 10.0;

    // Holds `queueLines` lines for each client, rounded up to a power of two.
    explicit FixFeed(std::size_t queueLines = kQueueLines);

    ClientId addClient();
    void removeClient(ClientId id);
    std::size_t clientCount() const { return clients_.size(); }

    // Queues the sentence, with CR LF, for every client: true when it is shareable and the
    // feed is not paused. `now` in seconds, of any steady clock.
    bool offer(std::string_view sentence, double now);
    // While paused (a transfer is under way) nothing is queued; clients stay connected.
    void setPaused(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }

    // Appends to `out` the client's waiting lines, oldest first, whole lines up to `room`
    // bytes, and counts them taken. Returns the bytes appended.
    std::size_t take(ClientId id, std::string& out, std::size_t room);
    // Lines the client lost by being too far behind.
    std::uint64_t dropped(ClientId id) const;
    // The clients that have been behind for kStuckSeconds or more.
    std::vector<ClientId> stuckClients(double now) const;

  private:
    struct Client {
        ClientId id = 0;
        std::uint64_t next = 0;  // the sequence number of its next line
        std::uint64_t dropped = 0;
        std::optional<double> behindSince;
    };
    Client* find(ClientId id);
    const Client* find(ClientId id) const;

    std::vector<std::string> ring_;
    std::uint64_t nextSequence_ = 0;
    std::vector<Client> clients_;
    ClientId nextId_ = 1;
    bool paused_ = false;
};

// After a download or upload, NMEA is asked for again once the line has been free of
// transfers for a moment: a backup's kinds follow each other with short gaps.
class ResumeAfterTransfer {
  public:
    static constexpr double kQuietSeconds = 2.0;
    // True once, when NMEA should be switched on again.
    bool update(bool transferRunning, double now);

  private:
    bool sawTransfer_ = false;
    double freeSince_ = 0.0;
};

// The setting, in its own section of the settings file.
struct ShareSettings {
    bool on = false;
    ListenAddress address;
};
ShareSettings readShareSettings(SettingsStore& settings);
void saveShareSettings(SettingsStore& settings, const ShareSettings& share);

}  // namespace trawlix::app
