// trawlix-cli run as a process against trawlix-sim over a pseudo-terminal, as a script would.
#include <gtest/gtest.h>
#include <signal.h>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

std::size_t linesIn(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class TrawlixCli : public ::testing::Test {
  protected:
    void startSimulator(const QStringList& options = {}) {
        simulator.start(TRAWLIX_SIM, options);
        ASSERT_TRUE(simulator.waitForReadyRead(5000));
        device = QString::fromUtf8(simulator.readLine()).trimmed();
        ASSERT_FALSE(device.isEmpty());
    }

    ~TrawlixCli() override {
        simulator.terminate();
        simulator.waitForFinished(3000);
    }

    struct Result {
        int status = -1;
        QString out;
        QString err;
        double seconds = 0;
    };

    Result run(QStringList arguments, int timeoutMs = 60000) {
        QProcess cli;
        cli.setProcessEnvironment(environment());
        const auto started = std::chrono::steady_clock::now();
        cli.start(TRAWLIX_CLI, arguments);
        Result result;
        if (!cli.waitForFinished(timeoutMs)) {
            cli.kill();
            cli.waitForFinished();
            result.status = -2;
        } else {
            result.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -3;
        }
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        result.out = QString::fromUtf8(cli.readAllStandardOutput());
        result.err = QString::fromUtf8(cli.readAllStandardError());
        return result;
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TRAWLIX_CONFIG_DIR", config.path());
        return env;
    }

    QString file(const QString& name) const { return files.filePath(name); }

    QProcess simulator;
    QString device;
    QTemporaryDir config;
    QTemporaryDir files;
};

TEST_F(TrawlixCli, VersionPrintsTheIdentity) {
    startSimulator();
    const Result result = run({"--device", device, "version"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, "PID MERIDIAN GPS\nSoftware Version 5.04\nTrawlix simulated receiver\n");
}

TEST_F(TrawlixCli, EachDownloadAndUpload) {
    startSimulator();
    const std::vector<std::pair<QString, std::size_t>> kinds = {
        {"waypoints", 36}, {"routes", 15}, {"tracks", 300}};
    for (const auto& [kind, lines] : kinds) {
        const Result down = run({"--device", device, "download", kind, file(kind + ".txt")});
        EXPECT_EQ(down.status, 0) << down.err.toStdString();
        EXPECT_EQ(down.out, QString("Received %1 records.\n").arg(lines));
        EXPECT_EQ(linesIn(file(kind + ".txt")), lines);
        const Result up = run({"--device", device, "upload", kind, file(kind + ".txt")});
        EXPECT_EQ(up.status, 0) << up.err.toStdString();
        EXPECT_TRUE(up.out.startsWith("Transfer Complete. ")) << up.out.toStdString();
    }
    EXPECT_FALSE(QFile::exists(config.filePath("Korvane.ini"))) << "settings are never written";
}

TEST_F(TrawlixCli, ProgressGoesToStandardErrorAsPlainLines) {
    startSimulator({"--pace", "9600", "--track-points", "60"});
    const Result result = run({"--device", device, "download", "tracks", file("t.txt")});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.err.contains(" records\n")) << result.err.toStdString();
    EXPECT_FALSE(result.err.contains('\r'));
}

TEST_F(TrawlixCli, NmeaPrintsTheRequestedFixes) {
    startSimulator();
    const Result result = run({"--device", device, "nmea", "--count", "2"});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    const QStringList lines = result.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].contains("46°05.")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(" ft")) << lines[0].toStdString();
    // The simulated receiver sends 1529.0 m or a little more, and GSA's 2.5, 1.3 and 2.1.
    EXPECT_TRUE(lines[0].contains(" m 50")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("PDOP 2.5 HDOP 1.3 VDOP 2.1")) << lines[0].toStdString();
}

TEST_F(TrawlixCli, SilentReceiverEndsWithItsOwnStatusInBoundedTime) {
    startSimulator({"--silent"});
    const Result result = run({"--device", device, "download", "waypoints", file("w.txt")});
    EXPECT_EQ(result.status, 4);
    EXPECT_LT(result.seconds, 15.0);
    EXPECT_TRUE(result.err.contains("failed to initialze.")) << result.err.toStdString();
}

TEST_F(TrawlixCli, PortThatCannotBeOpened) {
    const Result result = run({"--device", "/dev/trawlix-absent", "version"});
    EXPECT_EQ(result.status, 3);
    EXPECT_TRUE(result.err.contains("Can't open com port")) << result.err.toStdString();
}

TEST_F(TrawlixCli, UnreadableOrUnwritableFile) {
    startSimulator();
    EXPECT_EQ(run({"--device", device, "upload", "tracks", file("missing.txt")}).status, 5);
    EXPECT_EQ(run({"--device", device, "upload", "tracks", files.path()}).status, 5);
    const Result result = run({"--device", device, "download", "tracks", file("no-folder/t.txt")});
    EXPECT_EQ(result.status, 5);
    EXPECT_TRUE(result.err.contains("Can't create the file")) << result.err.toStdString();
}

TEST_F(TrawlixCli, BadCommandLine) {
    const Result result = run({"download", "photos", "x"});
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(result.err.contains("usage:"));
}

TEST_F(TrawlixCli, InterruptPartWayKeepsEveryLineReceived) {
    startSimulator({"--pace", "4800"});
    QProcess cli;
    cli.setProcessEnvironment(environment());
    cli.start(TRAWLIX_CLI, {"--device", device, "download", "tracks", file("partial.txt")});
    ASSERT_TRUE(cli.waitForStarted());
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(15000));
    EXPECT_EQ(cli.exitCode(), 6);
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    const auto stopped = err.indexOf("Stopped: ");
    ASSERT_GE(stopped, 0) << err.toStdString();
    const int kept = err.mid(stopped + 9).section(' ', 0, 0).toInt();
    EXPECT_GT(kept, 5);
    EXPECT_LT(kept, 300);
    EXPECT_EQ(linesIn(file("partial.txt")), static_cast<std::size_t>(kept));
}

TEST_F(TrawlixCli, InterruptDuringTheSetUpActsAtOnceAndSendsNothingMore) {
    startSimulator({"--silent"});
    QProcess cli;
    cli.setProcessEnvironment(environment());
    cli.start(TRAWLIX_CLI,
              {"--verbose", "--device", device, "download", "waypoints", file("never.txt")});
    ASSERT_TRUE(cli.waitForStarted());
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const auto interrupted = std::chrono::steady_clock::now();
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(15000));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - interrupted).count();
    EXPECT_LT(seconds, 1.5) << "the handshake against a silent receiver takes about 5 s";
    EXPECT_EQ(cli.exitCode(), 6);
    const std::string err = QString::fromUtf8(cli.readAllStandardError()).toStdString();
    EXPECT_NE(err.find("Stopped while setting up the link"), std::string::npos) << err;
    EXPECT_EQ(err.find("> $PMGNCMD,WAYPOINT"), std::string::npos) << err;
    EXPECT_EQ(err.find("failed to initialze"), std::string::npos) << err;
    EXPECT_FALSE(QFile::exists(file("never.txt")));
}

// Ctrl-C at any moment once the program runs (the system takes some milliseconds to load
// it and its libraries first) ends it with status 6, never by the signal.
TEST_F(TrawlixCli, InterruptFromTheFirstMomentsEndsWithStatusSix) {
    startSimulator({"--silent"});
    for (const int delayMs : {80, 115}) {
        QProcess cli;
        cli.setProcessEnvironment(environment());
        cli.start(TRAWLIX_CLI, {"--device", device, "download", "waypoints", file("w.txt")});
        ASSERT_TRUE(cli.waitForStarted());
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
        ASSERT_TRUE(cli.waitForFinished(15000));
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit) << delayMs;
        EXPECT_EQ(cli.exitCode(), 6) << delayMs;
    }
}

// A stopped route upload waits for the end of its route, seconds against a receiver gone
// silent; a second Ctrl-C ends it at once.
TEST_F(TrawlixCli, SecondInterruptEndsAtOnceWithStatusSix) {
    startSimulator({"--silent-after", "3"});
    std::ofstream(file("r.txt").toStdString())
        << "Header,01,6\r\nWaypoint,a,A1\r\nWaypoint,a,A2\r\n"
           "Waypoint,a,A3\r\nWaypoint,a,A4\r\n";
    QProcess cli;
    cli.setProcessEnvironment(environment());
    cli.start(TRAWLIX_CLI, {"--device", device, "upload", "routes", file("r.txt")});
    ASSERT_TRUE(cli.waitForStarted());
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(700)) << "the route's end takes over 2 s";
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 6);
}

}  // namespace
