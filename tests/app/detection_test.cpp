#include "app/detection.h"

#include <gtest/gtest.h>

#include "support/scripted_view.h"

namespace trawlix::app {
namespace {

// Two names are one device when they differ only by a "/by-id" prefix in these tests.
bool sameByName(const std::string& a, const std::string& b) {
    const auto strip = [](const std::string& name) {
        const auto at = name.find("/by-id");
        return at == std::string::npos ? name : name.substr(0, at) + name.substr(at + 6);
    };
    return strip(a) == strip(b);
}

SystemPort port(const std::string& device) {
    SystemPort p;
    p.device = device;
    return p;
}

ProbeResult result(const std::string& device, ProbeOutcome outcome, int baud = 0) {
    ProbeResult r;
    r.device = device;
    r.outcome = outcome;
    r.baud = baud;
    return r;
}

link::VersionProbe reading(const std::string& bytes) {
    link::VersionProbe probe;
    probe.feed(bytes);
    return probe;
}

const std::string kReply = link::frameSentence("$PMGNVER,MERIDIAN GPS,5.04,Handheld");
const std::string kGarbage(16, '\xfe');
const std::string kNmea = link::frameSentence("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");

TEST(DetectionCandidates, SystemPortsThenSettingsDevicesEachOnceWithTheirPorts) {
    const std::vector<SystemPort> system = {port("/dev/ttyS0"), port("/dev/ttyUSB0")};
    const AssignedDevices assigned = {
        {2, "/dev/by-id/ttyUSB0"}, {7, "/dev/pts/4"}, {9, "/dev/ttyUSB0"}};
    const auto candidates = detectionCandidates(system, assigned, {}, sameByName);
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0].device, "/dev/ttyS0");
    EXPECT_TRUE(candidates[0].ports.empty());
    EXPECT_EQ(candidates[1].device, "/dev/ttyUSB0");
    EXPECT_EQ(candidates[1].ports, (std::vector<std::int16_t>{2, 9}));
    EXPECT_EQ(candidates[2].device, "/dev/pts/4");
    EXPECT_EQ(candidates[2].ports, (std::vector<std::int16_t>{7}));
}

TEST(DetectionCandidates, GivenDevicesAreTheOnlyOnes) {
    const auto candidates = detectionCandidates({port("/dev/ttyS0")}, {{2, "/dev/pts/4"}},
                                                {"/dev/pts/4", "/dev/x", "/dev/x", ""}, sameByName);
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates[0].device, "/dev/pts/4");
    EXPECT_EQ(candidates[0].ports, (std::vector<std::int16_t>{2}));
    EXPECT_EQ(candidates[1].device, "/dev/x");
}

TEST(PortProbe, AnswerAtTheFirstSpeedEndsTheProbe) {
    PortProbe probe("/dev/ttyUSB0");
    ASSERT_EQ(probe.nextSpeed(), 4800);
    probe.speedDone(reading(kReply));
    EXPECT_TRUE(probe.done());
    EXPECT_EQ(probe.result().outcome, ProbeOutcome::Found);
    EXPECT_EQ(probe.result().baud, 4800);
    EXPECT_EQ(probe.result().identity.Description, "Handheld");
}

TEST(PortProbe, GarbageAtFirstSpeedThenAnswerFindsTheSecond) {
    PortProbe probe("/dev/ttyUSB0");
    probe.speedDone(reading(kGarbage));
    ASSERT_EQ(probe.nextSpeed(), 9600);
    probe.speedDone(reading(kReply));
    EXPECT_EQ(probe.result().outcome, ProbeOutcome::Found);
    EXPECT_EQ(probe.result().baud, 9600);
}

TEST(PortProbe, AcknowledgementWithoutReplyIsAReceiverBusyAtThatSpeed) {
    PortProbe probe("/dev/ttyUSB0");
    probe.speedDone(reading(link::frameSentence("$PMGNCSM,28")));
    EXPECT_TRUE(probe.done()) << "the other speed cannot be the right one";
    EXPECT_EQ(describeResult(probe.result()),
              "/dev/ttyUSB0 at 4800,N,8,1: a receiver that answers but sent no identity (still "
              "busy with a stopped transfer)");
}

TEST(PortProbe, WhatBothSpeedsBroughtDecidesTheReason) {
    struct Case {
        std::string at4800;
        std::string at9600;
        ProbeOutcome expected;
    };
    const Case cases[] = {
        {"", "", ProbeOutcome::NoAnswer},          {kGarbage, "", ProbeOutcome::Garbled},
        {"", kGarbage, ProbeOutcome::Garbled},     {kNmea, kGarbage, ProbeOutcome::OnlyNmea},
        {kGarbage, kNmea, ProbeOutcome::OnlyNmea},
    };
    for (const Case& c : cases) {
        PortProbe probe("/dev/ttyS0");
        probe.speedDone(reading(c.at4800));
        EXPECT_FALSE(probe.done());
        probe.speedDone(reading(c.at9600));
        EXPECT_TRUE(probe.done());
        EXPECT_EQ(probe.result().outcome, c.expected) << describeResult(probe.result());
    }
}

TEST(PortProbe, OpenFailureAndCancelEndItButCancelKeepsAFinishedResult) {
    PortProbe held("/dev/ttyS0");
    held.heldBy("gpsd (pid 812)");
    EXPECT_TRUE(held.done());
    EXPECT_EQ(describeResult(held.result()), "/dev/ttyS0: in use by gpsd (pid 812); left alone");

    PortProbe found("/dev/ttyS1");
    found.speedDone(reading(kReply));
    found.cancel();
    EXPECT_EQ(found.result().outcome, ProbeOutcome::Found);

    PortProbe running("/dev/ttyS2");
    running.cancel();
    EXPECT_TRUE(running.done());
    EXPECT_EQ(running.result().outcome, ProbeOutcome::Cancelled);
}

TEST(DetectionReport, ReceiversFirstThenEveryDevicePassedOverWithItsReason) {
    std::vector<ProbeResult> results(4);
    results[0] = result("/dev/ttyS0", ProbeOutcome::PermissionDenied);
    results[1] = result("/dev/ttyUSB0", ProbeOutcome::Found, 9600);
    results[1].identity = {"MERIDIAN", "5.04", "Handheld"};
    results[2] = result("/dev/ttyUSB1", ProbeOutcome::InUse);
    results[3] = result("/dev/ttyS1", ProbeOutcome::Garbled);
    const auto lines = detectionReport(results);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0],
              "/dev/ttyUSB0 at 9600,N,8,1: PID MERIDIAN, Software Version 5.04, Handheld");
    EXPECT_NE(lines[1].find("sudo usermod -aG dialout"), std::string::npos);
    EXPECT_EQ(lines[2], "/dev/ttyUSB1: in use by another program; left alone");
    EXPECT_NE(lines[3].find("likely another speed"), std::string::npos);
    EXPECT_EQ(firstReceiver(results)->device, "/dev/ttyUSB0");
    EXPECT_FALSE(firstReceiver({results[0], results[2]}));
}

TEST(AssignReceiver, PointsThePortAtTheDeviceAndKeepsItsSpeed) {
    testing::MemorySettings settings;
    assignReceiver(settings, 3, result("/dev/ttyUSB0", ProbeOutcome::Found, 9600));
    EXPECT_EQ(settings.values["Devices/Port3"], "/dev/ttyUSB0");
    EXPECT_EQ(settings.values["Port/Settings"], "9600,N,8,1");
}

TEST(PortsReport, SystemPortsWithDetailsAndAssignedDevicesTheSystemDoesNotList) {
    SystemPort usb{"/dev/ttyUSB0",
                   "USB-Serial Controller",
                   "Prolific",
                   0x067b,
                   0x2303,
                   "A1",
                   "/dev/serial/by-id/usb-Prolific-if00"};
    const auto lines = portsReport({port("/dev/ttyS0"), usb},
                                   {{2, "/dev/ttyUSB0"}, {3, "/dev/pts/4"}}, sameByName);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "/dev/ttyS0  no port number");
    EXPECT_EQ(lines[1],
              "/dev/ttyUSB0  Port 2  USB-Serial Controller, Prolific, USB 067b:2303, serial number "
              "A1, /dev/serial/by-id/usb-Prolific-if00");
    EXPECT_EQ(lines[2], "/dev/pts/4  Port 3  named in the settings; the system does not list it");
}

}  // namespace
}  // namespace trawlix::app
