#include "app/fix_share.h"

#include <algorithm>
#include <bit>

#include "common/numbers.h"
#include "link/sentence.h"

namespace trawlix::app {
namespace {

constexpr const char* kShareSection = "Share";

// An NMEA word: a talker of two letters and a sentence type of three, or a proprietary "P"
// word; upper-case letters and digits.
bool isWordCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::optional<std::uint16_t> portOf(std::string_view text) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const auto value = common::strictInt32(std::string(text));
    if (!value || *value < 1 || *value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(*value);
}

}  // namespace

std::string ListenAddress::text() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool ListenAddress::loopbackOnly() const {
    return host.rfind("127.", 0) == 0 || host == "::1";
}

std::optional<ListenAddress> parseListenAddress(std::string_view text) {
    ListenAddress address;
    const std::size_t colon = text.rfind(':');
    const auto port = portOf(colon == std::string_view::npos ? text : text.substr(colon + 1));
    if (!port) {
        return std::nullopt;
    }
    address.port = *port;
    if (colon == std::string_view::npos) {
        return address;
    }
    std::string_view host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        return std::nullopt;  // an IPv6 address needs its brackets, or its port is unclear
    }
    if (host.empty()) {
        return std::nullopt;
    }
    address.host = host == "localhost" ? std::string(kShareLoopback) : std::string(host);
    return address;
}

std::string exposureWarning(const ListenAddress& address) {
    if (address.loopbackOnly()) {
        return {};
    }
    return "Sharing on " + address.text() +
           ": other machines that reach this address can read the receiver's position.";
}

std::string sharingStatus(const ListenAddress& address, std::size_t programs) {
    return "Sharing on " + address.text() + " \u00b7 " + std::to_string(programs) +
           (programs == 1 ? " program" : " programs");
}

bool isShareableSentence(std::string_view sentence) {
    // "$" WORD "," ... "*" HH: the word is five or more characters, the checksum two digits.
    constexpr std::size_t kShortest = 1 + 5 + 3;
    if (sentence.size() < kShortest || sentence[0] != '$' || sentence[1] == 'P') {
        return false;
    }
    const std::size_t star = sentence.size() - 3;
    if (sentence[star] != '*') {
        return false;
    }
    const std::string_view body = sentence.substr(1, star - 1);
    const std::size_t wordEnd = std::min(body.find(','), body.size());
    if (wordEnd < 5 ||
        !std::all_of(body.begin(), body.begin() + static_cast<long>(wordEnd), isWordCharacter)) {
        return false;
    }
    const int high = link::hexDigitValue(sentence[star + 1]);
    const int low = link::hexDigitValue(sentence[star + 2]);
    return high >= 0 && low >= 0 && link::checksumOf(body) == high * 16 + low;
}

// The ring's size is a power of two, so that a line's slot is its sequence number masked.
FixFeed::FixFeed(std::size_t queueLines)
    : ring_(std::bit_ceil(std::max<std::size_t>(queueLines, 1))) {}

FixFeed::ClientId FixFeed::addClient() {
    clients_.push_back({nextId_, nextSequence_, 0, std::nullopt});
    return nextId_++;
}

void FixFeed::removeClient(ClientId id) {
    std::erase_if(clients_, [id](const Client& client) { return client.id == id; });
}

bool FixFeed::offer(std::string_view sentence, double now) {
    if (paused_ || !isShareableSentence(sentence)) {
        return false;
    }
    std::string& slot = ring_[nextSequence_ & (ring_.size() - 1)];
    slot.assign(sentence);  // keeps the slot's memory: no allocation once the ring is warm
    slot += "\r\n";
    ++nextSequence_;
    const std::uint64_t oldest =
        nextSequence_ > ring_.size() ? nextSequence_ - ring_.size() : std::uint64_t{0};
    for (Client& client : clients_) {
        if (client.next < oldest) {
            client.dropped += oldest - client.next;
            client.next = oldest;
            if (!client.behindSince) {
                client.behindSince = now;
            }
        }
    }
    return true;
}

std::size_t FixFeed::take(ClientId id, std::string& out, std::size_t room) {
    Client* client = find(id);
    if (client == nullptr) {
        return 0;
    }
    std::size_t appended = 0;
    while (client->next < nextSequence_) {
        const std::string& line = ring_[client->next & (ring_.size() - 1)];
        if (appended + line.size() > room) {
            break;
        }
        out += line;
        appended += line.size();
        ++client->next;
    }
    if (client->next == nextSequence_) {
        client->behindSince.reset();  // caught up
    }
    return appended;
}

std::uint64_t FixFeed::dropped(ClientId id) const {
    const Client* client = find(id);
    return client != nullptr ? client->dropped : 0;
}

std::vector<FixFeed::ClientId> FixFeed::stuckClients(double now) const {
    std::vector<ClientId> stuck;
    for (const Client& client : clients_) {
        if (client.behindSince && now - *client.behindSince >= kStuckSeconds) {
            stuck.push_back(client.id);
        }
    }
    return stuck;
}

FixFeed::Client* FixFeed::find(ClientId id) {
    // Ids only grow, and clients stay in the order they came: sorted by id.
    const auto it =
        std::lower_bound(clients_.begin(), clients_.end(), id,
                         [](const Client& client, ClientId key) { return client.id < key; });
    return it != clients_.end() && it->id == id ? &*it : nullptr;
}

const FixFeed::Client* FixFeed::find(ClientId id) const {
    return const_cast<FixFeed*>(this)->find(id);
}

bool ResumeAfterTransfer::update(bool transferRunning, double now) {
    if (transferRunning) {
        sawTransfer_ = true;
        freeSince_ = now;
        return false;
    }
    if (sawTransfer_ && now - freeSince_ >= kQuietSeconds) {
        sawTransfer_ = false;
        return true;
    }
    return false;
}

ShareSettings readShareSettings(SettingsStore& settings) {
    ShareSettings share;
    share.on = settings.GetSetting(kSettingsApplication, kShareSection, "On", "0") == "1";
    if (const auto address = parseListenAddress(settings.GetSetting(
            kSettingsApplication, kShareSection, "Listen", share.address.text()))) {
        share.address = *address;
    }
    return share;
}

void saveShareSettings(SettingsStore& settings, const ShareSettings& share) {
    settings.SaveSetting(kSettingsApplication, kShareSection, "On", share.on ? "1" : "0");
    settings.SaveSetting(kSettingsApplication, kShareSection, "Listen", share.address.text());
}

}  // namespace trawlix::app
