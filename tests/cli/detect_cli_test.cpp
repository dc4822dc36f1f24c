// trawlix-cli detect and ports as a script runs them, against simulated receivers on
// pseudo-terminals.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>

#include <memory>

namespace {

class DetectCli : public ::testing::Test {
  protected:
    ~DetectCli() override {
        for (const auto& simulator : simulators) {
            simulator->terminate();
            simulator->waitForFinished(3000);
        }
    }

    QString startSimulator(const QStringList& options = {}) {
        simulators.push_back(std::make_unique<QProcess>());
        QProcess& simulator = *simulators.back();
        simulator.start(TRAWLIX_SIM, options);
        if (!simulator.waitForReadyRead(5000)) {
            return {};
        }
        return QString::fromUtf8(simulator.readLine()).trimmed();
    }

    struct Result {
        int status = -1;
        QString out;
        QString err;
    };

    Result run(const QStringList& arguments) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TRAWLIX_CONFIG_DIR", config.path());
        cli.setProcessEnvironment(env);
        cli.start(TRAWLIX_CLI, arguments);
        Result result;
        if (cli.waitForFinished(30000)) {
            result.status = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -3;
        } else {
            cli.kill();
            cli.waitForFinished();
        }
        result.out = QString::fromUtf8(cli.readAllStandardOutput());
        result.err = QString::fromUtf8(cli.readAllStandardError());
        return result;
    }

    std::vector<std::unique_ptr<QProcess>> simulators;
    QTemporaryDir config;
};

TEST_F(DetectCli, FindsTheReceiverAt9600AndSaysWhyEachOtherDeviceWasPassedOver) {
    const QString silent = startSimulator({"--silent"});
    // Paced, the garbled answer at 4800 is still crossing the line when 9600 is tried.
    const QString at9600 = startSimulator({"--only-baud", "9600", "--pace", "4800"});
    const QString held = startSimulator();
    ASSERT_FALSE(silent.isEmpty() || at9600.isEmpty() || held.isEmpty());
    QSerialPort holder(held);
    ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
    const QString missing = config.filePath("ttyUSB9");

    const Result result = run(
        {"detect", "--device", silent, "--device", at9600, "--device", held, "--device", missing});
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, at9600 +
                              " at 9600,N,8,1: PID MERIDIAN GPS, Software Version 5.04, "
                              "Trawlix simulated receiver\n");
    const QStringList reasons = result.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(reasons.size(), 3) << result.err.toStdString();
    EXPECT_EQ(reasons[0], silent + ": no answer at 4800 or 9600 baud");
    EXPECT_TRUE(reasons[1].startsWith(held + ": in use by ")) << reasons[1].toStdString();
    EXPECT_TRUE(reasons[1].contains(QString("(pid %1)").arg(QCoreApplication::applicationPid())))
        << reasons[1].toStdString();
    EXPECT_EQ(reasons[2], missing + ": no such device (is the receiver plugged in?)");
    EXPECT_EQ(holder.bytesAvailable(), 0) << "the port in use was left alone";
}

TEST_F(DetectCli, ReceiverAtAnotherSpeedIsReportedGarbledAndNoneFoundIsStatus4) {
    const QString at19200 = startSimulator({"--only-baud", "19200"});
    ASSERT_FALSE(at19200.isEmpty());
    const Result result = run({"detect", "--device", at19200, "--save"});
    EXPECT_EQ(result.status, 4);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_EQ(result.err, at19200 +
                              ": garbled answer at 4800 or 9600 baud, likely another "
                              "speed\nNo receiver found.\n");
    EXPECT_FALSE(QFile::exists(config.filePath("Korvane.ini"))) << "nothing saved";
}

TEST_F(DetectCli, SavedReceiverIsWhatAPlainRunUses) {
    const QString at9600 = startSimulator({"--only-baud", "9600"});
    ASSERT_FALSE(at9600.isEmpty());
    const Result before = run({"version"});
    EXPECT_NE(before.status, 0) << "port 2 is not the receiver before --save";

    const Result saved = run({"--port", "5", "detect", "--device", at9600, "--save"});
    EXPECT_EQ(saved.status, 0) << saved.err.toStdString();
    EXPECT_TRUE(saved.out.endsWith("Port 5 is now " + at9600 + " at 9600,N,8,1.\n"))
        << saved.out.toStdString();

    const Result version = run({"--port", "5", "version"});
    EXPECT_EQ(version.status, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, "PID MERIDIAN GPS\nSoftware Version 5.04\nTrawlix simulated receiver\n");
}

// Every transfer leaves the receiver in acknowledgement mode, and each search leaves it as
// the next one finds it: it is found every time, at the first speed it answers.
TEST_F(DetectCli, AReceiverLeftInAcknowledgementModeIsFoundEveryTime) {
    const QString receiver = startSimulator({"--pace", "4800"});
    ASSERT_EQ(run({"--device", receiver, "version"}).status, 0);
    for (int search = 0; search < 4; ++search) {
        const Result result = run({"detect", "--device", receiver});
        EXPECT_EQ(result.status, 0) << search << result.err.toStdString();
        EXPECT_TRUE(result.out.startsWith(receiver + " at 4800,N,8,1: PID MERIDIAN GPS"))
            << search << result.out.toStdString();
    }
}

TEST_F(DetectCli, PortsListsTheSettingsDevicesWithTheirPortNumbers) {
    const QString receiver = startSimulator();
    ASSERT_FALSE(receiver.isEmpty());
    ASSERT_EQ(run({"--port", "3", "detect", "--device", receiver, "--save"}).status, 0);
    const Result result = run({"ports"});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.out.contains(receiver +
                                    "  Port 3  named in the settings; the system does not list it"))
        << result.out.toStdString();
}

}  // namespace
