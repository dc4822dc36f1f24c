// The GPS link on a transport that the test plays: time, bytes and failures on demand.
#include "link/transport_link.h"

#include <gtest/gtest.h>

#include <functional>

#include "link/protocol_texts.h"

namespace trawlix::link {
namespace {

namespace protocol = link::protocol;

std::string ackOf(std::string_view sentence) {
    return frameSentence("$PMGNCSM," + hexByte(checksumOf(sentence.substr(1))));
}

class FakeTransport : public LinkTransport {
  public:
    std::string deviceOf(std::int16_t port) const override {
        return "/dev/ttyFAKE" + std::to_string(port);
    }
    bool open(const std::string&, const LineSettings&, std::string& failure) override {
        ++opens;
        if (refuseOpen) {
            failure = "Can't open it: no such device.";
            return false;
        }
        isOpen = true;
        return true;
    }
    void close(bool flush) override {
        closedWithFlush = flush;
        isOpen = false;
        if (onClose) {
            onClose();
        }
    }
    bool deviceIsOpen() const override { return isOpen; }
    bool write(std::string_view bytes, std::string& failure) override {
        if (failWrites) {
            failure = "Input/output error";
            if (onClose) {
                onClose();  // a device that reports its failure a second time, at once
            }
            return false;
        }
        written += bytes;
        return true;
    }
    void armWakeUp(std::optional<Millis> at) override { wakeUpAt = at; }
    Millis now() const override { return time; }
    void waitUntil(const std::function<bool()>& done, Millis deadline) override {
        ++waits;
        while (!done() && time < deadline) {
            if (duringWait) {
                duringWait();
                continue;
            }
            time = wakeUpAt ? std::min(*wakeUpAt, deadline) : deadline;
            link->wakeUp();
        }
    }

    TransportLink* link = nullptr;
    Millis time = 0;
    bool isOpen = false;
    bool refuseOpen = false;
    bool failWrites = false;
    bool closedWithFlush = false;
    int opens = 0;
    int waits = 0;
    std::string written;
    std::optional<Millis> wakeUpAt;
    std::function<void()> onClose;
    std::function<void()> duringWait;
};

class Recorder : public GpsLinkListener {
  public:
    void Receive(std::string& ID, std::string&) override {
        log.push_back("Receive " + ID);
        if (onReceive) {
            onReceive(ID);
        }
    }
    void NMEA(std::string& line, bool&) override { log.push_back("NMEA " + line); }
    void cError(std::int16_t& cErr, std::string& text, std::string&) override {
        log.push_back("cError " + std::to_string(cErr));
        errorTexts.push_back(text);
    }
    void mDebug(std::string&) override {}

    std::vector<std::string> log;
    std::vector<std::string> errorTexts;
    std::function<void(const std::string&)> onReceive;
};

class TransportLinkTest : public ::testing::Test {
  protected:
    TransportLinkTest() : link(transport) {
        transport.link = &link;
        link.setListener(&recorder);
        link.setPortNumber(1);
        link.setPortSettings("4800,N,8,1");
    }
    ~TransportLinkTest() override { link.setListener(nullptr); }

    FakeTransport transport;
    TransportLink link;
    Recorder recorder;
};

TEST_F(TransportLinkTest, OpeningTwiceWithTheSameSettingsKeepsTheDevice) {
    ASSERT_TRUE(link.OpenPort());
    ASSERT_TRUE(link.OpenPort());
    EXPECT_EQ(transport.opens, 1);
    link.setPortSettings("9600,N,8,1");
    ASSERT_TRUE(link.OpenPort());
    EXPECT_EQ(transport.opens, 2);
}

TEST_F(TransportLinkTest, OpenFailuresAreReportedNotRaisedAsErrors) {
    link.setPortSettings("4800,X,8,1");
    EXPECT_FALSE(link.OpenPort());
    EXPECT_EQ(transport.opens, 0);
    link.setPortSettings("4800,N,8,1");
    transport.refuseOpen = true;
    EXPECT_FALSE(link.OpenPort());
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(recorder.log.empty());
}

TEST_F(TransportLinkTest, SentencesArrivingWhileAHandlersBoxIsOpenAreHandledAfterIt) {
    ASSERT_TRUE(link.OpenPort());
    link.RequestWaypoints();
    transport.time += 10;
    link.wakeUp();
    std::vector<std::string> seenInsideBox;
    bool inBox = false;
    recorder.onReceive = [&](const std::string& id) {
        if (inBox) {
            seenInsideBox.push_back(id);
            return;
        }
        if (id == protocol::kWaypointKind && link.WaypointRecord().Field1 == "ONE") {
            inBox = true;  // a modal box: its loop reads the line
            link.bytesArrived(frameSentence("$PMGNWPL,4600.000,N,00700.000,E,0,M,TWO,,a") +
                              frameSentence("$PMGNCMD,END"));
            inBox = false;
        }
    };
    link.bytesArrived(frameSentence("$PMGNWPL,4600.000,N,00700.000,E,0,M,ONE,,a"));
    EXPECT_TRUE(seenInsideBox.empty());
    const std::vector<std::string> expected{"Receive PMGNCSM", "Receive PMGNWPL", "Receive PMGNWPL",
                                            "Receive END"};
    EXPECT_EQ(recorder.log, expected);
    EXPECT_EQ(link.WaypointRecord().Field1, "TWO");
}

TEST_F(TransportLinkTest, CallFromAHandlerIsSentAtOnce) {
    ASSERT_TRUE(link.OpenPort());
    link.ConfigureLink(1);  // unanswered: acknowledgement mode unconfirmed
    transport.written.clear();
    recorder.onReceive = [&](const std::string& id) {
        if (id == protocol::kAckKind && link.TransferState().AckedKind == protocol::kCommandKind &&
            link.CommandState().LastCommand == protocol::kNmeaOnCommand) {
            link.SendSentence(std::string(protocol::kNmeaOffCommand));
            EXPECT_EQ(transport.written.substr(transport.written.size() - 21),
                      frameSentence(protocol::kNmeaOffCommand));
        }
    };
    link.SendSentence(std::string(protocol::kNmeaOnCommand));
    link.bytesArrived(ackOf(protocol::kHandOnCommand));
    link.bytesArrived(ackOf(protocol::kNmeaOnCommand));
    EXPECT_NE(transport.written.find(frameSentence(protocol::kNmeaOffCommand)), std::string::npos);
}

TEST_F(TransportLinkTest, FailureReportedWhileClosingDoesNotRecurse) {
    ASSERT_TRUE(link.OpenPort());
    int failuresDuringClose = 0;
    transport.onClose = [&] {
        ++failuresDuringClose;
        link.lineFailed("Resource temporarily unavailable");
    };
    link.ClosePort();
    EXPECT_EQ(failuresDuringClose, 1);
    EXPECT_TRUE(transport.closedWithFlush);
    EXPECT_TRUE(recorder.log.empty());
}

TEST_F(TransportLinkTest, FailedWriteClosesWithoutWaitingAndReportsOnce) {
    ASSERT_TRUE(link.OpenPort());
    transport.failWrites = true;
    link.SendSentence(std::string(protocol::kNmeaOnCommand));
    EXPECT_EQ(recorder.log, std::vector<std::string>{"cError 3"});
    EXPECT_NE(recorder.errorTexts[0].find("/dev/ttyFAKE1"), std::string::npos);
    EXPECT_NE(recorder.errorTexts[0].find("Input/output error"), std::string::npos);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_FALSE(transport.isOpen);
    EXPECT_FALSE(transport.closedWithFlush);
}

TEST_F(TransportLinkTest, VersionReplyIsRaisedBeforeConfigureLinkReturns) {
    ASSERT_TRUE(link.OpenPort());
    link.RequestVersion();
    // The receiver answers each sentence a tenth of a second after it went out.
    const std::vector<std::string> answers{ackOf(protocol::kVersionCommand),
                                           ackOf(protocol::kHandOnCommand),
                                           frameSentence("$PMGNVER,MERIDIAN GPS,5.04,test")};
    std::size_t next = 0;
    transport.duringWait = [&] {
        transport.time += 100;
        if (next < answers.size()) {
            link.bytesArrived(answers[next++]);
        }
        link.wakeUp();
    };
    link.ConfigureLink(1);
    EXPECT_EQ(link.VersionRecord().ProductId, "MERIDIAN GPS");
    EXPECT_TRUE(link.acknowledgementMode());
    EXPECT_LT(transport.time, 1000);
}

TEST_F(TransportLinkTest, AbandonEndsTheSetUpWaitAndNothingMoreIsSent) {
    ASSERT_TRUE(link.OpenPort());
    link.RequestVersion();
    transport.duringWait = [&] {
        transport.time += 50;
        link.abandon();  // Ctrl-C, seen by the transport's loop
    };
    link.ConfigureLink(1);
    EXPECT_EQ(transport.time, 50);
    EXPECT_FALSE(transport.isOpen);
    const std::size_t written = transport.written.size();
    recorder.log.clear();
    link.RequestVersion();
    link.ConfigureLink(1);
    link.RequestTracks();
    EXPECT_EQ(transport.written.size(), written);
    EXPECT_EQ(transport.waits, 1);
    EXPECT_TRUE(recorder.log.empty());
}

}  // namespace
}  // namespace trawlix::link
