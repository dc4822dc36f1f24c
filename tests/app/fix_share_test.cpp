// Sharing the live fix: which sentences go out, the clients' queue, the listen address.
#include <gtest/gtest.h>

#include "app/fix_share.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

using app::FixFeed;

TEST(FixShare, OnlyStandardSentencesWithTheirRightChecksumGoOut) {
    const struct {
        const char* sentence;
        bool shared;
    } cases[] = {
        {"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39", true},
        {"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*3a", false},  // wrong checksum
        {"$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1", false},     // none to check
        {"$PMGNWPL,4917.16,N,12310.64,W,0,M,HOME,,a*2A", false},     // the user's waypoint
        {"$PGRME,15.0,M,45.0,M,25.0,M*1C", false},                   // proprietary
        {"$gpgga,*00", false},
        {"$GP*57", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::isShareableSentence(c.sentence), c.shared) << c.sentence;
    }
}

TEST(FixShare, ListenAddressesAsTyped) {
    const struct {
        const char* typed;
        const char* address;  // nullptr: refused
        bool loopback;
    } cases[] = {
        {"10110", "127.0.0.1:10110", true},
        {"0.0.0.0:2000", "0.0.0.0:2000", false},
        {"localhost:5", "127.0.0.1:5", true},
        {"[::1]:10110", "[::1]:10110", true},
        {"::1:10110", nullptr, false},
        {"65536", nullptr, false},
        {"0", nullptr, false},
        {":10110", nullptr, false},
        {"host:10x", nullptr, false},
    };
    for (const auto& c : cases) {
        const auto address = app::parseListenAddress(c.typed);
        ASSERT_EQ(address.has_value(), c.address != nullptr) << c.typed;
        if (address) {
            EXPECT_EQ(address->text(), c.address);
            EXPECT_EQ(app::exposureWarning(*address).empty(), c.loopback) << c.typed;
        }
    }
    EXPECT_EQ(app::sharingStatus({}, 1), "Sharing on 127.0.0.1:10110 \u00b7 1 program");
}

constexpr const char* kFix = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39";

TEST(FixShare, ASlowClientLosesItsOldestLinesAndTheOthersNothing) {
    FixFeed feed(3);  // four lines: a power of two
    const auto slow = feed.addClient();
    const auto reader = feed.addClient();
    std::string got;
    for (int i = 0; i < 6; ++i) {
        feed.offer(kFix, i);
        feed.take(reader, got, 1000);
    }
    EXPECT_EQ(got.size(), 6 * (std::string(kFix).size() + 2));
    EXPECT_EQ(got.substr(got.size() - 2), "\r\n");
    EXPECT_EQ(feed.dropped(reader), 0u);
    EXPECT_EQ(feed.dropped(slow), 2u);
    std::string late;
    EXPECT_EQ(feed.take(slow, late, 1000), 4 * (std::string(kFix).size() + 2));
}

TEST(FixShare, AClientBehindForSecondsIsStuckUnlessItCatchesUp) {
    FixFeed feed(1);
    const auto stuck = feed.addClient();
    const auto recovers = feed.addClient();
    feed.offer(kFix, 0.0);
    feed.offer(kFix, 1.0);  // both a line behind from here
    std::string out;
    feed.take(recovers, out, 1000);
    feed.offer(kFix, 1.0 + FixFeed::kStuckSeconds);
    EXPECT_EQ(feed.stuckClients(1.0 + FixFeed::kStuckSeconds),
              std::vector<FixFeed::ClientId>{stuck});
}

TEST(FixShare, PausedNothingIsQueuedAndANewClientStartsAtTheNextLine) {
    FixFeed feed;
    feed.offer(kFix, 0.0);
    const auto client = feed.addClient();
    feed.setPaused(true);
    EXPECT_FALSE(feed.offer(kFix, 1.0));
    std::string out;
    EXPECT_EQ(feed.take(client, out, 1000), 0u);
}

TEST(FixShare, NmeaIsAskedForOnceTheLineIsFreeOfTransfers) {
    app::ResumeAfterTransfer resume;
    EXPECT_FALSE(resume.update(false, 0.0));
    EXPECT_FALSE(resume.update(true, 1.0));
    EXPECT_FALSE(resume.update(false, 2.0));
    EXPECT_TRUE(resume.update(false, 1.0 + app::ResumeAfterTransfer::kQuietSeconds));
    EXPECT_FALSE(resume.update(false, 9.0));
}

TEST(FixShare, TheSettingKeepsItsOwnSection) {
    MemorySettings settings;
    app::saveShareSettings(settings, {true, *app::parseListenAddress("0.0.0.0:2000")});
    EXPECT_EQ(settings.values["Share/Listen"], "0.0.0.0:2000");
    const app::ShareSettings read = app::readShareSettings(settings);
    EXPECT_TRUE(read.on);
    EXPECT_EQ(read.address.port, 2000);
}

}  // namespace
}  // namespace trawlix::testing
