// trawlix-cli with GPX files against trawlix-sim over a pseudo-terminal: every kind down to
// GPX and up from GPX, checked by independent readers (xmllint, GDAL's ogrinfo).
#include <gtest/gtest.h>
#include <signal.h>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

class TrawlixCliGpx : public ::testing::Test {
  protected:
    TrawlixCliGpx() {
        simulator.start(TRAWLIX_SIM, {});
        simulator.waitForReadyRead(5000);
        device = QString::fromUtf8(simulator.readLine()).trimmed();
    }
    ~TrawlixCliGpx() override {
        simulator.terminate();
        simulator.waitForFinished(3000);
    }

    struct Result {
        int status = -1;
        QString out;
        QString err;
    };

    Result run(const QString& program, const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TRAWLIX_CONFIG_DIR", config.path());
        process.setProcessEnvironment(env);
        process.start(program, arguments);
        Result result;
        if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit) {
            result.status = process.exitCode();
        }
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }
    Result cli(QStringList arguments) {
        return run(TRAWLIX_CLI, QStringList{"--device", device} + arguments);
    }

    // The features GDAL finds in each layer of a GPX file: "waypoints=36 routes=0 ...".
    QString gdalCounts(const QString& path) {
        const Result info = run("ogrinfo", {"-ro", "-al", "-so", path});
        QString counts;
        QRegularExpression layer("Layer name: (\\w+)\\n(?:.*\\n)*?Feature Count: (\\d+)");
        for (auto it = layer.globalMatch(info.out); it.hasNext();) {
            const auto match = it.next();
            counts += match.captured(1) + "=" + match.captured(2) + " ";
        }
        return counts.trimmed();
    }

    bool wellFormed(const QString& path) { return run("xmllint", {"--noout", path}).status == 0; }

    void writeFile(const QString& name, const std::string& contents) {
        std::ofstream(file(name).toStdString(), std::ios::binary) << contents;
    }
    std::string readFile(const QString& name) {
        std::ifstream in(file(name).toStdString(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    QString file(const QString& name) const { return files.filePath(name); }

    static void needTools() {
        if (QStandardPaths::findExecutable("xmllint").isEmpty() ||
            QStandardPaths::findExecutable("ogrinfo").isEmpty()) {
            GTEST_SKIP() << "xmllint and ogrinfo (libxml2-utils, gdal-bin) are needed";
        }
    }

    QProcess simulator;
    QString device;
    QTemporaryDir config;
    QTemporaryDir files;
};

TEST_F(TrawlixCliGpx, EachKindDownloadsToGpxThatOtherReadersTake) {
    needTools();
    const std::vector<std::tuple<QString, QString, QString>> kinds = {
        {"waypoints", "36", "waypoints=36 routes=0 tracks=0 route_points=0 track_points=0"},
        {"routes", "15", "waypoints=0 routes=3 tracks=0 route_points=12 track_points=0"},
        {"tracks", "300", "waypoints=0 routes=0 tracks=1 route_points=0 track_points=300"}};
    for (const auto& [kind, records, counts] : kinds) {
        const QString name = kind + ".GPX";  // the extension in any case
        const Result down = cli({"download", kind, file(name)});
        EXPECT_EQ(down.status, 0) << down.err.toStdString();
        EXPECT_EQ(down.out, "Received " + records + " records.\n");
        EXPECT_TRUE(wellFormed(file(name))) << kind.toStdString();
        EXPECT_EQ(gdalCounts(file(name)), counts);
    }
    // The text format on demand, whatever the name.
    EXPECT_EQ(cli({"--format", "text", "download", "waypoints", file("w.gpx")}).status, 0);
    EXPECT_EQ(readFile("w.gpx").rfind("Waypoint,HOME,", 0), 0u);
}

TEST_F(TrawlixCliGpx, EachKindUploadsFromGpx) {
    const std::string head = "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\">";
    writeFile("w.gpx", head +
                           "<wpt lat=\"46.5\" lon=\"7.5\"><ele>1234</ele><name>NEWONE</name>"
                           "<cmt>a, b</cmt><sym>x</sym></wpt></gpx>");
    writeFile("r.gpx", head +
                           "<rte><number>9</number><rtept lat=\"46.6\" lon=\"7.6\">"
                           "<name>TOP</name></rtept><rtept lat=\"46.05\" lon=\"7.18\">"
                           "<name>HOME</name></rtept></rte></gpx>");
    writeFile("t.gpx", head +
                           "<trk><trkseg><trkpt lat=\"46.1\" lon=\"7.1\"><ele>1000</ele>"
                           "<time>2026-12-08T10:00:00Z</time></trkpt>"
                           "<trkpt lat=\"46.2\" lon=\"7.2\"/></trkseg></trk></gpx>");
    const Result waypoints = cli({"upload", "waypoints", file("w.gpx")});
    EXPECT_EQ(waypoints.status, 0) << waypoints.err.toStdString();
    EXPECT_EQ(waypoints.out,
              "Transfer Complete. 1 Waypoints sent.\n"
              "1 name or comment had characters the GPS cannot take; they became blanks.\n");
    const Result route = cli({"upload", "routes", file("r.gpx")});
    EXPECT_EQ(route.status, 0) << route.err.toStdString();
    EXPECT_EQ(route.out, "Transfer Complete. 1 Routes sent.\nConsisting of 2 Waypoints.\n");
    const Result track = cli({"upload", "tracks", file("t.gpx")});
    EXPECT_EQ(track.status, 0) << track.err.toStdString();
    EXPECT_EQ(track.out, "Transfer Complete. 2 Track Points sent.\n");

    // What the receiver now holds, fetched as text.
    ASSERT_EQ(cli({"download", "waypoints", file("w.txt")}).status, 0);
    EXPECT_NE(readFile("w.txt").find("Waypoint,NEWONE,46.50000,7.50000,a  b,1234,M,"),
              std::string::npos);
    EXPECT_NE(readFile("w.txt").find("Waypoint,TOP,46.60000,7.60000,"), std::string::npos);
    ASSERT_EQ(cli({"download", "routes", file("r.txt")}).status, 0);
    // The route's points replaced the receiver's waypoints of their names, icons included.
    EXPECT_NE(readFile("r.txt").find("Header,09,1\r\nWaypoint,,TOP\r\nWaypoint,,HOME\r\n"),
              std::string::npos)
        << readFile("r.txt");
    ASSERT_EQ(cli({"download", "tracks", file("t.txt")}).status, 0);
    EXPECT_EQ(readFile("t.txt").substr(0, 53),
              "Point,True,100000,46.10000,7.10000,3280.84,0,081226\r\n");
}

TEST_F(TrawlixCliGpx, AnInterruptedDownloadLeavesACompleteGpxFile) {
    needTools();
    simulator.terminate();
    simulator.waitForFinished(3000);
    simulator.start(TRAWLIX_SIM, {"--pace", "4800"});
    ASSERT_TRUE(simulator.waitForReadyRead(5000));
    device = QString::fromUtf8(simulator.readLine()).trimmed();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TRAWLIX_CONFIG_DIR", config.path());
    process.setProcessEnvironment(env);
    process.start(TRAWLIX_CLI, {"--device", device, "download", "tracks", file("part.gpx")});
    ASSERT_TRUE(process.waitForStarted());
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(15000));
    EXPECT_EQ(process.exitCode(), 6);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QRegularExpression early("The download ended early\\. .* holds the (\\d+) records");
    const auto match = early.match(out);
    ASSERT_TRUE(match.hasMatch()) << out.toStdString();
    const int kept = match.captured(1).toInt();
    EXPECT_GT(kept, 5);
    EXPECT_LT(kept, 300);
    EXPECT_TRUE(wellFormed(file("part.gpx")));
    EXPECT_EQ(gdalCounts(file("part.gpx")),
              QString("waypoints=0 routes=0 tracks=1 route_points=0 track_points=%1").arg(kept));
}

TEST_F(TrawlixCliGpx, ConvertsBothWaysOffline) {
    writeFile("w.txt", "Waypoint,HOME,46.05000,7.18000,Start,480,M,1,0,0,a\r\n");
    const Result there = run(TRAWLIX_CLI, {"convert", "waypoints", file("w.txt"), file("w.gpx")});
    EXPECT_EQ(there.status, 0) << there.err.toStdString();
    EXPECT_EQ(there.out, "Converted 1 waypoints to " + file("w.gpx") + ".\n");
    const Result back = run(TRAWLIX_CLI, {"convert", "waypoints", file("w.gpx"), file("b.txt")});
    EXPECT_EQ(back.status, 0) << back.err.toStdString();
    EXPECT_EQ(readFile("b.txt"), readFile("w.txt"));
    const Result same = run(TRAWLIX_CLI, {"convert", "waypoints", file("w.txt"), file("c.txt")});
    EXPECT_EQ(same.status, 2);
    writeFile("r.txt", "Header,1,1\r\nWaypoint,a,HOME\r\n");
    const Result routes = run(TRAWLIX_CLI, {"convert", "routes", file("r.txt"), file("r.gpx")});
    EXPECT_EQ(routes.status, 5);
    EXPECT_TRUE(routes.err.contains("--waypoints")) << routes.err.toStdString();
}

}  // namespace
