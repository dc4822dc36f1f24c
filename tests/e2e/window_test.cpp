// The Qt window as a user drives it: choosing functions in the list, the file dialog
// answered by the test, against the simulated receiver.
#include <gtest/gtest.h>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "app/backup_actions.h"
#include "app/dialog_choice.h"
#include "app/your_form.h"
#include "qt/main_window.h"
#include "qt/qt_xml_source.h"
#include "qt/simulated_line.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

// The window with its modal parts answered by the test.
class DrivenWindow : public app::MainWindow {
  public:
    QStringList messages;
    QStringList fileAnswers;
    QStringList dialogFolders;
    QStringList editorStarts;
    QStringList typesOffered;  // the file types of each dialog, joined by ";;"
    QStringList typeAnswers;   // the file type chosen in each dialog; else the one offered
    QStringList defaultProgramStarts;
    QStringList statuses;

    void showStatus(app::StatusArea area, const std::string& text) override {
        if (area == app::StatusArea::Activity) {
            statuses << QString::fromStdString(text);
        }
        MainWindow::showStatus(area, text);
    }

  protected:
    app::MessageAnswer askUser(const QString& text, app::MessageButtons) override {
        messages << text;
        return app::MessageAnswer::Ok;
    }
    QString askForFile(app::FileDialogMode, const QString& initialFolder, bool,
                       const QStringList& types, QString& type) override {
        dialogFolders << initialFolder;
        typesOffered << types.join(";;");
        if (!typeAnswers.isEmpty()) {
            type = typeAnswers.takeFirst();
        }
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    bool launchEditor(const QString& path) override {
        editorStarts << path;
        return true;
    }
    bool launchDefaultProgram(const QString& path) override {
        defaultProgramStarts << path;
        return true;
    }
};

class WindowEndToEnd : public ::testing::Test {
  protected:
    WindowEndToEnd() : form(window, line.link(), settings, "/opt/trawlix") {
        window.attach(form);
        folder = std::filesystem::temp_directory_path() /
                 ("trawlix-window-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        form.Form_Load();
        combo = window.findChild<QComboBox*>("cboFunction");
    }
    ~WindowEndToEnd() override { std::filesystem::remove_all(folder); }

    QString path(const std::string& name) const {
        return QString::fromStdString((folder / name).string());
    }

    // Chooses an entry the way the list reports a user's choice.
    void choose(const QString& entry) {
        const int index = combo->findText(entry);
        ASSERT_GE(index, 0);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    bool waitForMessage(int count, int timeoutMs = 20000) {
        return waitUntil([&] { return window.messages.size() >= count; }, timeoutMs);
    }

    SimulatedLine line;
    DrivenWindow window;
    MemorySettings settings;
    app::YourForm form;
    std::filesystem::path folder;
    QComboBox* combo = nullptr;
};

TEST_F(WindowEndToEnd, DownloadThroughTheFunctionListWritesTheFileAndOpensTheEditor) {
    EXPECT_EQ(window.findChild<QLabel*>("lblProductID")->text(), "PID MERIDIAN GPS");
    window.fileAnswers << path("waypoints.txt");
    choose("Request Waypoints");
    ASSERT_TRUE(waitForMessage(1));
    EXPECT_EQ(window.messages.back(), "Received 36 records.");
    EXPECT_EQ(window.editorStarts, QStringList{path("waypoints.txt")});
    EXPECT_EQ(window.findChild<QToolButton*>("cmdViewDownload")->text(), "View waypoints.txt");
    std::ifstream in(folder / "waypoints.txt", std::ios::binary);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "Waypoint,HOME,46.05000,7.18000,Start of the day,480,M,1,0,0,a\r");
    EXPECT_EQ(window.dialogFolders,
              QStringList{QString::fromStdString(app::userDocumentsFolder())});
}

TEST_F(WindowEndToEnd, UploadThroughTheFunctionListEndsWithItsMessage) {
    std::ofstream(folder / "route.txt", std::ios::binary)
        << "Header,9,1\r\nWaypoint,a,home\r\nWaypoint,b,camp\r\n";
    window.fileAnswers << path("route.txt");
    choose("Send Route");
    ASSERT_TRUE(waitForMessage(1));
    EXPECT_EQ(window.messages.back(),
              "Transfer Complete. 1 Routes sent.\r\nConsisting of 2 Waypoints.");
    EXPECT_EQ(line.store().routes.back(), (sim::StoredRoute{9, {"HOME", "CAMP"}}));
}

TEST_F(WindowEndToEnd, GpxChosenInTheDialogWritesGpxAndOpensTheDefaultProgram) {
    window.fileAnswers << path("track");
    window.typeAnswers << "GPX files (*.gpx)";
    choose("Request Tracks");
    ASSERT_TRUE(waitForMessage(1));
    EXPECT_EQ(window.messages.back(), "Received 300 records.");
    EXPECT_EQ(window.typesOffered, QStringList{"Trawlix text files (*);;GPX files (*.gpx)"});
    // A bare name gets the extension of the type chosen.
    EXPECT_EQ(window.defaultProgramStarts, QStringList{path("track.gpx")});
    EXPECT_TRUE(window.editorStarts.isEmpty());
    std::ifstream in(folder / "track.gpx", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n') > 300 * 3, true);
    EXPECT_EQ(text.substr(text.size() - 7), "</gpx>\n");
}

TEST_F(WindowEndToEnd, ResetButtonClearsTheDebugList) {
    auto* list = window.findChild<QListWidget*>("List1");
    window.addListLine("something");
    window.findChild<QPushButton*>("cmdReset")->click();
    EXPECT_EQ(list->count(), 0);
}

// The window as the program builds it, with its backup and restore.
class WindowBackup : public ::testing::Test {
  protected:
    WindowBackup()
        : form(window, line.link(), settings, "/opt/trawlix"),
          backups(window, form, line.link(), xml, settings,
                  [this](std::function<void()> action, int delayMs) {
                      QTimer::singleShot(delayMs, &window, std::move(action));
                  }) {
        window.attach(form);
        window.setReceiverActions({[this] { backups.backUp(); }, [this] { backups.restore(); },
                                   [this] { backups.stopRun(); }});
        form.setXmlSource(&xml);
        form.Form_Load();
    }
    ~WindowBackup() override { std::filesystem::remove(file.toStdString()); }

    void menu(const QString& caption) {
        for (QAction* action : window.findChildren<QAction*>()) {
            if (action->text() == caption) {
                action->trigger();
            }
        }
    }

    SimulatedLine line;
    DrivenWindow window;
    MemorySettings settings;
    qt::QtXmlSource xml;
    app::YourForm form;
    app::BackupActions backups;
    QString file =
        QString::fromStdString((std::filesystem::temp_directory_path() /
                                ("trawlix-window-backup-" + std::to_string(::getpid()) + ".gpx"))
                                   .string());
};

TEST_F(WindowBackup, BackUpAndRestoreFromTheFileMenuEndWithOneMessageEach) {
    window.fileAnswers << file;
    menu("Back Up GPS...");
    ASSERT_TRUE(waitUntil([&] { return !window.messages.isEmpty(); }, 60000));
    EXPECT_EQ(window.messages, QStringList{"Backed up 36 waypoints, 3 routes and 300 track points "
                                           "to " +
                                           file + "."});
    EXPECT_TRUE(window.editorStarts.isEmpty());
    EXPECT_TRUE(window.findChild<QToolButton*>("cmdViewDownload")->isHidden());
    EXPECT_TRUE(window.statuses.contains("Backup 3 of 3 \u00b7 Requesting track points"))
        << window.statuses.join("\n").toStdString();
    EXPECT_TRUE(window.dialogFolders.back().endsWith(".gpx"));

    window.fileAnswers << file;
    menu("Restore GPS...");
    ASSERT_TRUE(waitUntil([&] { return window.messages.size() == 3; }, 60000));
    EXPECT_TRUE(window.messages[1].endsWith(
        "This sends 36 waypoints (replacing those of the same name), 3 routes (numbers 1, 2, 3), "
        "1 track of 300 points (replacing the track log)."));
    EXPECT_EQ(window.messages[2],
              "Restored 36 waypoints, 3 routes and 300 track points from " + file + ".");
}

}  // namespace
}  // namespace trawlix::testing
