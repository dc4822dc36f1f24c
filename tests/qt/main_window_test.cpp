// The Qt shell: its controls, captions, fonts and menu tree, under the offscreen platform.
#include "qt/main_window.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include "app/your_form.h"
#include "support/fake_gps_link.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

QStringList captionsOf(const QMenu* menu) {
    QStringList captions;
    for (const QAction* action : menu->actions()) {
        captions << action->text();
    }
    return captions;
}

QMenu* submenu(const QMenu* menu, const QString& caption) {
    for (QAction* action : menu->actions()) {
        if (action->text() == caption) {
            return action->menu();
        }
    }
    return nullptr;
}

QStringList checkedOf(const QMenu* menu) {
    QStringList checked;
    for (const QAction* action : menu->actions()) {
        if (action->isChecked()) {
            checked << action->text();
        }
    }
    return checked;
}

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : form(window, link, settings, "/opt/trawlix") {
        window.attach(form);
        link.openResult = false;  // start-up stops after its one message
    }

    QMenu* fileMenu() const {
        const auto menus = window.menuBar()->actions();
        return menus.isEmpty() ? nullptr : menus.front()->menu();
    }

    // Answers the one start-up message box without showing it.
    class QuietWindow : public app::MainWindow {
      public:
        QStringList messages;

      protected:
        app::MessageAnswer askUser(const QString& text, app::MessageButtons) override {
            messages << text;
            return app::MessageAnswer::Ok;
        }
        QStringList details;

      protected:
        app::MessageAnswer askUserWithDetail(const QString& text, const QString& detail,
                                             app::MessageButtons) override {
            messages << text;
            details << detail;
            return app::MessageAnswer::Ok;
        }
    };

    QuietWindow window;
    FakeGpsLink link;
    MemorySettings settings;
    app::YourForm form;
};

TEST_F(MainWindowTest, MenuTreeHasItsCaptionsOrderAndNesting) {
    settings.values["Port/Next"] = "9";
    form.Form_Load();
    ASSERT_EQ(window.menuBar()->actions().size(), 1);
    ASSERT_NE(fileMenu(), nullptr);
    EXPECT_EQ(window.menuBar()->actions().front()->text(), "&File");
    EXPECT_EQ(captionsOf(fileMenu()), (QStringList{"&Assign Port", "&Open Port", "&Close Port", "",
                                                   "Find GPS...", "E&xit"}));
    QMenu* assign = submenu(fileMenu(), "&Assign Port");
    ASSERT_NE(assign, nullptr);
    EXPECT_EQ(captionsOf(assign),
              (QStringList{"Port 1", "Port 2", "Port 3", "Port 4", "Port 5", "Port 6", "Port 7",
                           "Port 8", "Add Port", "&Baud Rate"}));
    QMenu* baud = submenu(assign, "&Baud Rate");
    ASSERT_NE(baud, nullptr);
    EXPECT_EQ(captionsOf(baud), (QStringList{"4800,N,8,1", "9600,N,8,1"}));
}

TEST_F(MainWindowTest, CheckMarksFollowTheStoredSettings) {
    settings.values["Port/Port"] = "3";
    settings.values["Port/Settings"] = "9600,N,8,1";
    form.Form_Load();
    QMenu* assign = submenu(fileMenu(), "&Assign Port");
    EXPECT_EQ(checkedOf(assign), (QStringList{"Port 3"}));
    EXPECT_EQ(checkedOf(submenu(assign, "&Baud Rate")), (QStringList{"9600,N,8,1"}));
    EXPECT_EQ(window.messages, (QStringList{"Can't open com port 3"}));
}

TEST_F(MainWindowTest, AddedPortItemGoesBeforeAddPort) {
    form.Form_Load();
    form.mnuPortAdd_Click();
    QMenu* assign = submenu(fileMenu(), "&Assign Port");
    const QStringList captions = captionsOf(assign);
    EXPECT_EQ(captions.indexOf("Port 7"), captions.indexOf("Add Port") - 1);
    EXPECT_EQ(settings.values["Port/Next"], "8");
}

TEST_F(MainWindowTest, FunctionListHasTheTenEntriesAndNoSelection) {
    form.Form_Load();
    auto* combo = window.findChild<QComboBox*>("cboFunction");
    ASSERT_NE(combo, nullptr);
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries << combo->itemText(i);
    }
    EXPECT_EQ(entries, (QStringList{"Reset", "Request Version Info", "Request Waypoints",
                                    "Request Routes", "Request Tracks", "Send Waypoints to GPS",
                                    "Send Route", "Send Track", "NMEA On", "NMEA Off"}));
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_TRUE(combo->isEditable());
}

TEST_F(MainWindowTest, InitialCaptionsAndFonts) {
    EXPECT_EQ(window.windowTitle(), "Trawlix");
    const std::map<QString, QString> initial = {
        {"lblProductID", "PID"}, {"lblGPSDesc", "Desc"}, {"lblVersion", "Ver"},
        {"lbllat", ""},          {"lbllon", ""},         {"lblalt", ""},
        {"lblhdop", ""},         {"lbldate", ""},        {"lblTime", ""}};
    for (const auto& [name, text] : initial) {
        auto* label = window.findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name.toStdString();
        EXPECT_EQ(label->text(), text) << name.toStdString();
        EXPECT_TRUE(label->font().bold()) << name.toStdString();
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 8.25);
    }
    std::map<int, QString> captions;
    for (QLabel* label : window.findChildren<QLabel*>("Label1")) {
        captions[label->property("Index").toInt()] = label->text();
    }
    EXPECT_EQ(captions,
              (std::map<int, QString>{
                  {0, "Lat"}, {1, "Lon"}, {2, "HDOP"}, {3, "Date"}, {4, "Alt"}, {5, "UTC"}}));
    auto* list = window.findChild<QListWidget*>("List1");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->font().family(), "Courier New");
    EXPECT_FALSE(list->font().bold());
    EXPECT_EQ(window.findChild<QPushButton*>("cmdReset")->text(), "Reset");
}

TEST_F(MainWindowTest, RowsStandInTheirOrderAndTheListIsTheLargest) {
    auto y = [&](const char* name) { return window.findChild<QWidget*>(name)->geometry().top(); };
    EXPECT_LT(y("lblProductID"), y("lblGPSDesc"));
    EXPECT_EQ(y("lblGPSDesc"), y("lblVersion"));
    EXPECT_LT(y("lblGPSDesc"), y("lbllat"));
    EXPECT_EQ(y("lbllat"), y("lblhdop"));
    EXPECT_LT(y("lbllat"), y("lbldate"));
    EXPECT_LT(y("lbldate"), y("cboFunction"));
    EXPECT_LT(y("cboFunction"), y("List1"));
    auto area = [&](QWidget* w) { return w->width() * w->height(); };
    auto* list = window.findChild<QListWidget*>("List1");
    for (QWidget* other :
         window.centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        EXPECT_LE(area(other), area(list));
    }
    const QLabel* version = window.findChild<QLabel*>("lblVersion");
    QLabel* altCaption = nullptr;
    for (QLabel* label : window.findChildren<QLabel*>("Label1")) {
        if (label->text() == "Alt") {
            altCaption = label;
        }
    }
    ASSERT_NE(altCaption, nullptr);
    EXPECT_EQ(altCaption->x(), version->x());
}

TEST_F(MainWindowTest, ValueLabelsSizeThemselvesToTheirText) {
    window.setCaption(app::Label::Lat, "48°07.038'N");
    auto* label = window.findChild<QLabel*>("lbllat");
    EXPECT_EQ(label->text(), "48°07.038'N");
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_EQ(window.caption(app::Label::Lat), "48°07.038'N");
}

}  // namespace
}  // namespace trawlix::testing
