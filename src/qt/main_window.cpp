#include "qt/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

#include "app/dialog_choice.h"
#include "app/window_captions.h"
#include "app/your_form.h"
#include "qt/port_status.h"
#include "qt/track_view_window.h"
#include "qt/week_rollover_menu.h"

namespace trawlix::app {
namespace {

constexpr int kClientWidth = 520;
constexpr int kClientHeight = 380;
constexpr int kMargin = 12;
constexpr int kSecondColumn = 260;  // lblVersion and "Alt" start here
constexpr int kRowHeight = 24;

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

QString qstringOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont labelFont() {
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}

// The debug list's scroll bars with a thumb darker than its groove. Fusion draws the thumb
// light on a darker groove; the debug lines are only a little wider than the list, so the
// thumb fills nearly the whole bar and the sliver of groove left over reads as the thumb, at
// the wrong end: at the right while the start of the lines shows. With a dark thumb on a
// light groove, as most desktops draw them, the thumb is where the view is.
constexpr const char* kListScrollBars =
    "QScrollBar { background: palette(base); border: 1px solid palette(midlight); }"
    "QScrollBar:horizontal { height: 14px; }"
    "QScrollBar:vertical { width: 14px; }"
    "QScrollBar::handle { background: palette(mid); border-radius: 4px; margin: 2px; }"
    "QScrollBar::handle:hover { background: palette(dark); }"
    "QScrollBar::handle:horizontal { min-width: 24px; }"
    "QScrollBar::handle:vertical { min-height: 24px; }"
    "QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; border: none; }"
    "QScrollBar::add-page, QScrollBar::sub-page { background: none; }";

QFont listFont() {
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(9);
    return font;
}

}  // namespace

MainWindow::MainWindow() {
    setWindowTitle("Trawlix");
    auto* area = new QWidget(this);
    area->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(area);
    buildLabels(area);

    cboFunction_ = new QComboBox(area);
    cboFunction_->setObjectName("cboFunction");
    cboFunction_->setEditable(true);
    cboFunction_->setInsertPolicy(QComboBox::NoInsert);
    cboFunction_->setFont(labelFont());
    cboFunction_->setGeometry(kMargin, 4 * kRowHeight + 16, 396, 24);

    cmdReset_ = new QPushButton("Reset", area);
    cmdReset_->setObjectName("cmdReset");
    cmdReset_->setGeometry(kMargin + 404, 4 * kRowHeight + 16, kClientWidth - 2 * kMargin - 404,
                           24);

    List1_ = new QListWidget(area);
    List1_->setObjectName("List1");
    List1_->setFont(listFont());
    List1_->setStyleSheet(kListScrollBars);
    const int listTop = 5 * kRowHeight + 26;
    List1_->setGeometry(kMargin, listTop, kClientWidth - 2 * kMargin,
                        kClientHeight - listTop - kMargin);

    buildMenus();
    buildStatusBar();
}

void MainWindow::buildStatusBar() {
    statusActivity_ = new QLabel(this);
    statusActivity_->setObjectName("statusActivity");
    statusPort_ = new QLabel(this);
    statusPort_->setObjectName("statusPort");
    // A long text is cut at the window's edge rather than widening it.
    statusActivity_->setMinimumWidth(1);
    statusBar()->addWidget(statusActivity_, 1);
    statusBar()->addPermanentWidget(statusPort_);
    viewOffer_ = new qt::ViewOffer(statusBar());
    statusBar()->addPermanentWidget(viewOffer_->button());
}

MainWindow::~MainWindow() = default;

QLabel* MainWindow::makeLabel(QWidget* area, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, area);
    label->setObjectName(name);
    label->setFont(labelFont());
    // Captions carry text from the receiver and from files: shown as it is, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void MainWindow::buildLabels(QWidget* area) {
    const int row1 = 8;
    const int row2 = row1 + kRowHeight;
    const int row3 = row2 + kRowHeight;
    const int row4 = row3 + kRowHeight;
    labels_[Label::ProductId] =
        makeLabel(area, "lblProductID", qstringOf(kInitialProductCaption), kMargin, row1);
    labels_[Label::GpsDesc] =
        makeLabel(area, "lblGPSDesc", qstringOf(kInitialDescriptionCaption), kMargin, row2);
    labels_[Label::Version] =
        makeLabel(area, "lblVersion", qstringOf(kInitialVersionCaption), kSecondColumn, row2);

    // Caption label, then its value label directly after it.
    struct Pair {
        int captionIndex;
        const char* caption;
        Label value;
        const char* valueName;
        int x;
        int y;
    };
    const Pair pairs[] = {
        {0, "Lat", Label::Lat, "lbllat", kMargin, row3},
        {1, "Lon", Label::Lon, "lbllon", 136, row3},
        {4, "Alt", Label::Alt, "lblalt", kSecondColumn, row3},
        {2, "HDOP", Label::Hdop, "lblhdop", 384, row3},
        {3, "Date", Label::Date, "lbldate", kMargin, row4},
        {5, "UTC", Label::Time, "lblTime", 136, row4},
    };
    for (const Pair& pair : pairs) {
        QLabel* caption = makeLabel(area, "Label1", pair.caption, pair.x, pair.y);
        caption->setProperty("Index", pair.captionIndex);
        labels_[pair.value] =
            makeLabel(area, pair.valueName, "", pair.x + caption->width() + 4, pair.y);
    }
}

void MainWindow::buildMenus() {
    QMenu* mnuFile = menuBar()->addMenu("&File");
    mnuFile->setObjectName("mnuFile");
    mnuAssign_ = mnuFile->addMenu("&Assign Port");
    mnuAssign_->setObjectName("mnuAssign");
    for (std::int16_t n = 1; n <= kBuiltInPorts; ++n) {
        QAction* item = mnuAssign_->addAction(qstringOf(portCaption(n)));
        item->setObjectName("mnuPort");
        item->setCheckable(true);
        item->setProperty("Index", n);
        mnuPort_[n] = item;
    }
    mnuPortAdd_ = mnuAssign_->addAction("Add Port");
    mnuPortAdd_->setObjectName("mnuPortAdd");
    QMenu* mnuBaudRates = mnuAssign_->addMenu("&Baud Rate");
    mnuBaudRates->setObjectName("mnuBaudRates");
    for (int i = 0; i < 2; ++i) {
        mnuBaud_[i] =
            mnuBaudRates->addAction(qstringOf(kBaudCaptions[static_cast<std::size_t>(i)]));
        mnuBaud_[i]->setObjectName("mnuBaud");
        mnuBaud_[i]->setCheckable(true);
        mnuBaud_[i]->setProperty("Index", i);
    }
    mnuOpen_ = mnuFile->addAction("&Open Port");
    mnuOpen_->setObjectName("mnuOpen");
    mnuClose_ = mnuFile->addAction("&Close Port");
    mnuClose_->setObjectName("mnuClose");
    mnuFile->addSeparator();
    mnuBackUp_ = mnuFile->addAction("Back Up GPS...");
    mnuBackUp_->setObjectName("mnuBackUp");
    mnuRestore_ = mnuFile->addAction("Restore GPS...");
    mnuRestore_->setObjectName("mnuRestore");
    mnuViewFile_ = mnuFile->addAction("View File...");
    mnuViewFile_->setObjectName("mnuViewFile");
    mnuFindGps_ = mnuFile->addAction("Find GPS...");
    mnuFindGps_->setObjectName("mnuFindGps");
    mnuExit_ = mnuFile->addAction("E&xit");
    mnuExit_->setObjectName("mnuExit");
}

std::function<void()> MainWindow::userAction(std::function<void()> action) {
    return [this, action = std::move(action)] {
        if (receiverActions_.beforeUserAction) {
            receiverActions_.beforeUserAction();
        }
        action();
    };
}

void MainWindow::attach(YourForm& form) {
    form_ = &form;
    connect(cboFunction_, &QComboBox::activated, this,
            userAction([this] { form_->cboFunction_Click(); }));
    connect(cmdReset_, &QPushButton::clicked, this,
            userAction([this] { form_->cmdReset_Click(); }));
    connect(mnuAssign_, &QMenu::triggered, this, [this](QAction* action) {
        if (action->objectName() == "mnuPort") {
            userAction([this, action] {
                form_->mnuPort_Click(static_cast<std::int16_t>(action->property("Index").toInt()));
            })();
        }
    });
    connect(mnuPortAdd_, &QAction::triggered, this, [this] { form_->mnuPortAdd_Click(); });
    for (std::int16_t i = 0; i < 2; ++i) {
        connect(mnuBaud_[i], &QAction::triggered, this,
                userAction([this, i] { form_->mnuBaud_Click(i); }));
    }
    connect(mnuOpen_, &QAction::triggered, this, userAction([this] { form_->mnuOpen_Click(); }));
    connect(mnuClose_, &QAction::triggered, this, userAction([this] { form_->mnuClose_Click(); }));
    connect(mnuExit_, &QAction::triggered, this, [this] { form_->mnuExit_Click(); });
    connect(mnuViewFile_, &QAction::triggered, this, [this] { qt::chooseAndViewFile(this); });
    connect(mnuFindGps_, &QAction::triggered, this,
            userAction([this] { form_->mnuFindGps_Click(); }));
    qt::addWeekRolloverMenu(*mnuBackUp_, form.weekRollover());
    connect(mnuBackUp_, &QAction::triggered, this, userAction([this] {
                if (receiverActions_.backUp) {
                    receiverActions_.backUp();
                }
            }));
    connect(mnuRestore_, &QAction::triggered, this, userAction([this] {
                if (receiverActions_.restore) {
                    receiverActions_.restore();
                }
            }));
}

QLabel* MainWindow::labelFor(Label label) const {
    return labels_.at(label);
}

void MainWindow::setCaption(Label label, const std::string& text) {
    QLabel* widget = labelFor(label);
    widget->setText(fromUtf8(text));
    widget->adjustSize();
}

std::string MainWindow::caption(Label label) const {
    return labelFor(label)->text().toStdString();
}

void MainWindow::addListLine(const std::string& line) {
    List1_->addItem(fromUtf8(line));
}
void MainWindow::clearList() {
    List1_->clear();
}

bool MainWindow::hasPortItem(std::int16_t index) const {
    return mnuPort_.count(index) != 0;
}

bool MainWindow::addPortItem(std::int16_t index, const std::string& caption) {
    if (hasPortItem(index)) {
        return false;
    }
    auto* item = new QAction(fromUtf8(caption), mnuAssign_);
    item->setObjectName("mnuPort");
    item->setCheckable(true);
    item->setProperty("Index", index);
    mnuAssign_->insertAction(mnuPortAdd_, item);
    mnuPort_[index] = item;
    return true;
}

void MainWindow::setPortChecked(std::int16_t index, bool checked) {
    if (const auto it = mnuPort_.find(index); it != mnuPort_.end()) {
        it->second->setChecked(checked);
    }
}

std::int16_t MainWindow::highestPortItem() const {
    return mnuPort_.rbegin()->first;
}

void MainWindow::setBaudChecked(int index, bool checked) {
    if (index == 0 || index == 1) {
        mnuBaud_[index]->setChecked(checked);
    }
}

void MainWindow::addFunction(const std::string& entry) {
    cboFunction_->addItem(fromUtf8(entry));
    cboFunction_->setCurrentIndex(-1);
}

int MainWindow::functionIndex() const {
    return cboFunction_->currentIndex();
}
std::string MainWindow::functionText() const {
    return cboFunction_->currentText().toStdString();
}

void MainWindow::showStatus(StatusArea area, const std::string& text) {
    if (area == StatusArea::Activity) {
        statusActivity_->setText(fromUtf8(text));
        return;
    }
    // Half the window at most: what is happening now keeps the other half.
    showPortStatus(*statusPort_, fromUtf8(text), kClientWidth / 2);
}

// The probes run on the event loop while the dialog is up; Cancel ends them.
void MainWindow::showWindow() {
    show();
}
void MainWindow::closeWindow() {
    close();
}
void MainWindow::endProgram() {
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (form_ != nullptr) {
        std::int16_t cancel = 0;
        form_->Form_Unload(cancel);
    }
    event->accept();
}

}  // namespace trawlix::app
