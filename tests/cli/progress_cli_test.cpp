// trawlix-cli's progress on a terminal: the upload's total and time left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>
#include <QProcess>
#include <QTemporaryDir>

#include <fstream>

namespace {

TEST(CliProgress, UploadOnATerminalShowsTotalAndTimeLeft) {
    QTemporaryDir folder;
    const QString file = folder.filePath("w.txt");
    {
        std::ofstream out(file.toStdString(), std::ios::binary);
        for (int i = 0; i < 36; ++i) {
            out << "Waypoint,W" << i << ",46.1,7.2,,1500,M," << i + 1 << ",0,0,a\r\n";
        }
    }
    QProcess simulator;
    simulator.start(TRAWLIX_SIM, {"--pace", "4800"});
    ASSERT_TRUE(simulator.waitForReadyRead(5000));
    const QString device = QString::fromUtf8(simulator.readLine()).trimmed();

    // Standard error goes to a terminal of the test's own.
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_EQ(grantpt(terminal), 0);
    ASSERT_EQ(unlockpt(terminal), 0);
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TRAWLIX_CONFIG_DIR", folder.path());
    cli.setProcessEnvironment(env);
    cli.setStandardErrorFile(ptsname(terminal));
    cli.start(TRAWLIX_CLI, {"--device", device, "upload", "waypoints", file});
    std::string shown;
    ::fcntl(terminal, F_SETFL, O_NONBLOCK);
    const auto readTerminal = [&] {
        char buffer[4096];
        for (ssize_t got; (got = ::read(terminal, buffer, sizeof buffer)) > 0;) {
            shown.append(buffer, static_cast<std::size_t>(got));
        }
    };
    for (int waited = 0; cli.state() != QProcess::NotRunning && waited < 60000; waited += 50) {
        cli.waitForFinished(50);
        readTerminal();
    }
    readTerminal();
    ::close(terminal);
    simulator.terminate();
    simulator.waitForFinished(3000);

    EXPECT_EQ(cli.exitCode(), 0);
    EXPECT_NE(shown.find("Sending waypoints: 1 of 36"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Sending waypoints: 20 of 36, about "), std::string::npos) << shown;
    EXPECT_NE(shown.find("Sending waypoints: 36 of 36"), std::string::npos) << shown;
    EXPECT_NE(shown.find(" s left"), std::string::npos) << shown;
}

}  // namespace
