// trawlix-cli backup and restore against trawlix-sim over pseudo-terminals: the round trip
// through an empty receiver, a backup cut short, what restore checks and says first, and the
// track dates of a receiver whose week counter rolled over.
#include <gtest/gtest.h>
#include <QDate>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fstream>
#include <memory>

namespace {

struct Result {
    int status = -1;
    QString out;
    QString err;
};

class TrawlixCliBackup : public ::testing::Test {
  protected:
    ~TrawlixCliBackup() override {
        for (auto& simulator : simulators_) {
            simulator->terminate();
            simulator->waitForFinished(3000);
        }
    }

    // A simulated receiver started with `options`; its device.
    QString receiver(const QStringList& options = {}) {
        simulators_.push_back(std::make_unique<QProcess>());
        QProcess& simulator = *simulators_.back();
        simulator.start(TRAWLIX_SIM, options);
        simulator.waitForReadyRead(5000);
        return QString::fromUtf8(simulator.readLine()).trimmed();
    }

    Result cli(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TRAWLIX_CONFIG_DIR", config.path());
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(files.path());
        process.start(TRAWLIX_CLI, arguments);
        Result result;
        if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit) {
            result.status = process.exitCode();
        }
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    std::string read(const QString& name) {
        std::ifstream in(file(name).toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool wellFormed(const QString& name) {
        if (QStandardPaths::findExecutable("xmllint").isEmpty()) {
            return true;  // the tools' own tests say so
        }
        return QProcess::execute("xmllint", {"--noout", file(name)}) == 0;
    }
    QString file(const QString& name) const { return files.filePath(name); }

    // A GPX track download and a backup: the date of the first point, and how often the
    // week counter's rollover is said.
    void check(const QString& device, const QStringList& options, const QString& first,
               int notices) {
        const QString backup = "gps-backup-" + QDate::currentDate().toString("yyyy-MM-dd") + ".gpx";
        for (const QString command : {"download tracks day.gpx", "backup --force"}) {
            const Result run = cli(QStringList{"--device", device} + options + command.split(' '));
            ASSERT_EQ(run.status, 0) << run.err.toStdString();
            const QString gpx =
                QString::fromStdString(read(command[0] == 'b' ? backup : "day.gpx"));
            EXPECT_TRUE(gpx.contains(first)) << command.toStdString();
            EXPECT_FALSE(gpx.contains(first == real ? own : real));
            EXPECT_EQ(run.err.count(notice), command[0] == 'd' ? notices : 0);
        }
    }
    const QString notice =
        "The GPS's date is 1024 weeks behind: its week counter rolled over. Track dates are "
        "corrected in GPX files.\n";
    const QString real = "<time>2008-08-11T07:15:48.00Z</time>";
    const QString own = "<time>1988-12-26T07:15:48.00Z</time>";

    QTemporaryDir config;
    QTemporaryDir files;

  private:
    std::vector<std::unique_ptr<QProcess>> simulators_;
};

TEST_F(TrawlixCliBackup, RoundTripThroughAnEmptyReceiverGivesTheSameFile) {
    const QString full = receiver();
    const Result first = cli({"--device", full, "backup", "first.gpx"});
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, "Backed up 36 waypoints, 3 routes and 300 track points to " +
                             file("first.gpx") + ".\n");
    EXPECT_TRUE(wellFormed("first.gpx"));

    const QString empty = receiver({"--empty"});
    const Result restore = cli({"--device", empty, "restore", "first.gpx"});
    ASSERT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_EQ(restore.out,
              "Sending 36 waypoints (replacing those of the same name), 3 routes (numbers 1, 2, "
              "3), 1 track of 300 points (replacing the track log).\n"
              "Restored 36 waypoints, 3 routes and 300 track points from " +
                  file("first.gpx") + ".\n");

    const Result second = cli({"--device", empty, "backup", "second.gpx"});
    ASSERT_EQ(second.status, 0) << second.err.toStdString();
    // Names, positions, altitudes and times, and everything else the file holds.
    EXPECT_EQ(read("second.gpx"), read("first.gpx"));
}

TEST_F(TrawlixCliBackup, ABackupCutShortSaysWhatIsCompleteAndKeepsAWholeFile) {
    // The line goes after the waypoints, the routes and part of the track log.
    const Result cut = cli({"--device", receiver({"--hang-up-after", "120"}), "backup"});
    const QString name = "gps-backup-" + QDate::currentDate().toString("yyyy-MM-dd") + ".gpx";
    EXPECT_EQ(cut.status, 6);
    EXPECT_TRUE(
        cut.err.contains("The backup stopped part way: waypoints and routes are "
                         "complete, the track log is not. " +
                         file(name) + " holds what arrived (36 waypoints, 3 routes and "))
        << cut.err.toStdString();
    EXPECT_TRUE(wellFormed(name));

    // The file is kept unless --force says otherwise.
    const std::string kept = read(name);
    const Result again = cli({"--device", receiver(), "backup"});
    EXPECT_EQ(again.status, 5);
    EXPECT_EQ(again.err, name + " exists already; give --force to overwrite it.\n");
    EXPECT_EQ(read(name), kept);
    EXPECT_EQ(cli({"--device", receiver(), "backup", "--force"}).status, 0);
    EXPECT_NE(read(name), kept);
}

TEST_F(TrawlixCliBackup, RestoreChecksTheWholeFileAndSaysWhatItWouldSend) {
    const std::string kinds =
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">"
        "<wpt lat=\"46.5\" lon=\"7.5\"><name>ONE</name></wpt>"
        "<rte><number>4</number><rtept lat=\"46.6\" lon=\"7.6\"><name>TOP</name></rtept></rte>"
        "<trk><trkseg><trkpt lat=\"46.1\" lon=\"7.1\"/></trkseg></trk>";
    std::ofstream(file("good.gpx").toStdString()) << kinds << "</gpx>";
    std::ofstream(file("bad.gpx").toStdString())
        << kinds << "<trk><trkseg><trkpt lat=\"95\" lon=\"7.2\"/></trkseg></trk></gpx>";
    // No receiver is needed to check, nor to say what would go.
    const Result routes = cli({"restore", "good.gpx", "--only", "routes", "--dry-run"});
    EXPECT_EQ(routes.status, 0) << routes.err.toStdString();
    EXPECT_EQ(routes.out, "Would send 1 route (number 4).\n");
    // A point out of range in the last track stops everything, even kinds before it.
    const Result bad = cli({"--device", receiver({"--empty"}), "restore", "bad.gpx"});
    EXPECT_EQ(bad.status, 5);
    EXPECT_TRUE(bad.err.endsWith("Nothing was sent.\n")) << bad.err.toStdString();
    EXPECT_TRUE(bad.out.isEmpty()) << bad.out.toStdString();
}

// "071548.00,110808" for each line of a track file: what the receiver keeps of its calendar.
QStringList trackTimes(const std::string& file) {
    QStringList times;
    for (const QString& line : QString::fromStdString(file).split("\r\n", Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(',');
        times << fields.value(2) + "," + fields.value(7);
    }
    return times;
}

TEST_F(TrawlixCliBackup, TrackDatesOfAReceiverWhoseWeekCounterRolledOver) {
    const QString rolled = receiver({"--week-rollover", "1"});
    check(rolled, {"--week-rollover", "off"}, own, 0);
    check(rolled, {}, real, 1);  // auto reads the receiver's date first, and keeps what it saw
    check(rolled, {}, real, 0);
    // Sent back, the real dates reach the receiver in its own calendar, sentence for sentence.
    const QString restored = receiver({"--empty", "--week-rollover", "1"});
    ASSERT_EQ(cli({"--device", restored, "upload", "tracks", "day.gpx"}).status, 0);
    ASSERT_EQ(cli({"--device", rolled, "download", "tracks", "own.txt"}).status, 0);
    ASSERT_EQ(cli({"--device", restored, "download", "tracks", "back.txt"}).status, 0);
    EXPECT_EQ(trackTimes(read("back.txt")), trackTimes(read("own.txt")));
    EXPECT_EQ(trackTimes(read("own.txt")).value(0), "071548.00,261288");
}

TEST_F(TrawlixCliBackup, AReceiverWhoseClockIsRightKeepsItsDates) {
    check(receiver(), {"--week-rollover", "auto"}, real, 0);
    check(receiver(), {}, real, 0);
}

TEST_F(TrawlixCliBackup, TheLiveFixKeepsTheReceiversDateAndSaysItOnce) {
    const Result run =
        cli({"--device", receiver({"--week-rollover", "2"}), "nmea", "--count", "3"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    // The date label's century stays "20", as the window has always shown it.
    const int year = QDate::currentDate().addDays(-2 * 7168).year() % 100;
    EXPECT_TRUE(run.out.contains(QString("/20%1 ").arg(year, 2, 10, QChar('0'))))
        << run.out.toStdString();
    EXPECT_EQ(run.err.count("2048 weeks behind"), 1) << run.err.toStdString();
}

}  // namespace
