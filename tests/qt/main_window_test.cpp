// The Qt shell: its controls, captions, fonts and menu tree, under the offscreen platform.
#include "qt/main_window.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

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
    EXPECT_EQ(
        captionsOf(fileMenu()),
        (QStringList{"&Assign Port", "&Open Port", "&Close Port", "", "GPS &Week Rollover",
                     "Back Up GPS...", "Restore GPS...", "View File...", "Find GPS...", "E&xit"}));
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

TEST_F(MainWindowTest, TheWeekRolloverChoiceIsCheckedAndKept) {
    settings.values["WeekRollover/Choice"] = "1";
    form.Form_Load();
    QMenu* rollover = submenu(fileMenu(), "GPS &Week Rollover");
    ASSERT_NE(rollover, nullptr);
    emit rollover->aboutToShow();
    EXPECT_EQ(checkedOf(rollover), (QStringList{"Add &1024 Weeks"}));
    rollover->actions().at(1)->trigger();
    EXPECT_EQ(checkedOf(rollover), (QStringList{"&Off"}));
    EXPECT_EQ(settings.values["WeekRollover/Choice"], "off");
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

TEST_F(MainWindowTest, InitialCaptionsBoldLabelsAndAnEvenlySpacedList) {
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
    // Sentences in the debug list line up column by column.
    EXPECT_EQ(QFontMetrics(list->font()).horizontalAdvance("iiii"),
              QFontMetrics(list->font()).horizontalAdvance("WWWW"));
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

TEST_F(MainWindowTest, TextFromTheReceiverOrAFileIsShownAsItIsNotAsMarkup) {
    const std::string markup = "<font color=red size=6>X</font><img src=/etc/passwd>";
    window.setCaption(app::Label::ProductId, markup);
    auto* label = window.findChild<QLabel*>("lblProductID");
    // Shown as markup, the label would be one large red X: narrower than the literal text.
    EXPECT_GE(label->sizeHint().width(),
              label->fontMetrics().horizontalAdvance(QString::fromStdString(markup)));

    // The message box, the plain window's own one this time.
    app::MainWindow plain;
    QString boxText;
    Qt::TextFormat boxFormat = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto* text = box->findChild<QLabel*>("qt_msgbox_label");
        ASSERT_NE(text, nullptr);
        boxText = text->text();
        boxFormat = text->textFormat();
        box->accept();
    });
    plain.showMessage("Can't send the file " + markup, app::MessageButtons::Ok,
                      app::MessageKind::FileFailure);
    EXPECT_EQ(boxText, QString::fromStdString("Can't send the file " + markup));
    EXPECT_EQ(boxFormat, Qt::PlainText);

    // The reason under "Can't open com port n" quotes a device name from the settings.
    Qt::TextFormat detailFormat = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        auto* detail = box->findChild<QLabel*>("qt_msgbox_informativelabel");
        ASSERT_NE(detail, nullptr);
        detailFormat = detail->textFormat();
        box->accept();
    });
    plain.showDetailedMessage("Can't open com port 2", "Can't open " + markup,
                              app::MessageButtons::Ok, app::MessageKind::PortFailure);
    EXPECT_EQ(detailFormat, Qt::PlainText);
}

// The middle of the darker part of a horizontal scroll bar as drawn: where the eye finds
// the thumb.
int darkPartCentre(QScrollBar* bar) {
    const QImage image = bar->grab().toImage();
    const int y = image.height() / 2;
    int darkest = 255;
    int lightest = 0;
    for (int x = 0; x < image.width(); ++x) {
        darkest = std::min(darkest, qGray(image.pixel(x, y)));
        lightest = std::max(lightest, qGray(image.pixel(x, y)));
    }
    long sum = 0;
    long count = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (qGray(image.pixel(x, y)) < (darkest + lightest) / 2) {
            sum += x;
            ++count;
        }
    }
    return count == 0 ? -1 : static_cast<int>(sum / count);
}

TEST_F(MainWindowTest, DebugListThumbLooksToBeWhereTheViewIs) {
    window.show();
    // Lines a little wider than the list, as the sentences of a receiver are.
    for (int i = 0; i < 6; ++i) {
        window.addListLine(
            "< $GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45*75");
    }
    QApplication::processEvents();
    QScrollBar* bar = window.findChild<QListWidget*>("List1")->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->minimum());
    EXPECT_LT(darkPartCentre(bar), bar->width() / 2) << "the start of the lines shows";
    bar->setValue(bar->maximum());
    EXPECT_GT(darkPartCentre(bar), bar->width() / 2) << "the end of the lines shows";
}

}  // namespace
}  // namespace trawlix::testing
