// The window's boxes and file dialogs, the search for the receiver, and the programs it
// starts on a downloaded file.
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QUrl>

#include "app/dialog_choice.h"
#include "app/windows_arguments.h"
#include "qt/main_window.h"
#include "qt/plain_text_opener.h"
#include "qt/port_detector.h"
#include "qt/track_view_window.h"

namespace trawlix::app {
namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

MessageAnswer MainWindow::showMessage(const std::string& text, MessageButtons buttons,
                                      MessageKind kind) {
    boxIcon_ = messageIcon(kind, buttons);
    return askUser(fromUtf8(text), buttons);
}

MessageAnswer MainWindow::askUser(const QString& text, MessageButtons buttons) {
    return askUserWithDetail(text, QString(), buttons);
}

namespace {
// The dialog's "description|pattern|..." filter as Qt's file types: the descriptions,
// which name their patterns.
QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            break;
    }
    return QMessageBox::Information;
}

QStringList fileTypesOf(const std::string& filter) {
    const QStringList parts = fromUtf8(filter).split('|');
    QStringList types;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        types.append(parts[i]);
    }
    return types;
}
}  // namespace
MessageAnswer MainWindow::showDetailedMessage(const std::string& text, const std::string& detail,
                                              MessageButtons buttons, MessageKind kind) {
    boxIcon_ = messageIcon(kind, buttons);
    return askUserWithDetail(fromUtf8(text), fromUtf8(detail), buttons);
}

MessageAnswer MainWindow::askUserWithDetail(const QString& text, const QString& detail,
                                            MessageButtons buttons) {
    QMessageBox box(qtIcon(boxIcon_), "Trawlix", text, QMessageBox::Ok, this);
    // Messages quote file names, lines and what the receiver or the system said: never markup.
    box.setTextFormat(Qt::PlainText);
    if (!detail.isEmpty()) {
        box.setInformativeText(detail);
        if (auto* label = box.findChild<QLabel*>("qt_msgbox_informativelabel")) {
            label->setTextFormat(Qt::PlainText);
        }
    }
    if (buttons == MessageButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else if (buttons == MessageButtons::RetryCancel) {
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
    }
    switch (box.exec()) {
        case QMessageBox::Retry:
            return MessageAnswer::Retry;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        default:
            return MessageAnswer::Ok;
    }
}

std::optional<std::vector<ProbeResult>> MainWindow::findReceivers() {
    const std::vector<Candidate> candidates =
        searchCandidates_ ? searchCandidates_() : std::vector<Candidate>();
    PortDetector detector;
    detector.setStopAtFirstReceiver(true);
    QProgressDialog dialog("Looking for the receiver...", "Cancel", 0,
                           static_cast<int>(candidates.size()), this);
    dialog.setWindowTitle("Find GPS");
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    connect(&detector, &PortDetector::progressed, &dialog, &QProgressDialog::setValue);
    connect(&detector, &PortDetector::allDone, &dialog, &QProgressDialog::reset);
    bool cancelled = false;
    connect(&dialog, &QProgressDialog::canceled, this, [&] {
        cancelled = true;
        detector.cancel();
    });
    detector.start(candidates);
    dialog.exec();
    if (cancelled || !detector.finished()) {
        detector.cancel();
        return std::nullopt;
    }
    return detector.results();
}

void MainWindow::showFileDialog(FileDialogMode mode, CommonDialog& dialog) {
    const QStringList types = fileTypesOf(dialog.Filter);
    QString type = types.value(dialog.FilterIndex - 1);
    QString chosen = askForFile(mode, fromUtf8(dialog.InitDir),
                                (dialog.Flags & kOverwritePrompt) != 0, types, type);
    if (types.contains(type)) {
        dialog.FilterIndex = static_cast<int>(types.indexOf(type)) + 1;
    }
    dialog.FileName = mode == FileDialogMode::Save
                          ? withExtensionOfType(chosen.toStdString(), dialog.FilterIndex)
                          : chosen.toStdString();
}

QString MainWindow::askForFile(FileDialogMode mode, const QString& initialFolder,
                               bool overwritePrompt, const QStringList& filters, QString& filter) {
    const QString joined = filters.join(";;");
    if (mode == FileDialogMode::Open) {
        return QFileDialog::getOpenFileName(this, QString(), initialFolder, joined, &filter);
    }
    const QFileDialog::Options options =
        overwritePrompt ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
    return QFileDialog::getSaveFileName(this, QString(), initialFolder, joined, &filter, options);
}

bool MainWindow::startEditor(const std::string& path) {
    return launchEditor(fromUtf8(path));
}

bool MainWindow::openWithDefaultProgram(const std::string& path) {
    return launchDefaultProgram(fromUtf8(path));
}

void MainWindow::offerView(const std::string& path) {
    viewOffer_->offer(fromUtf8(path));
}

bool MainWindow::launchDefaultProgram(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// The path goes as one argument to a program started without a shell, so that blanks,
// quotes or ";" in it open that file and nothing else.
bool MainWindow::launchEditor(const QString& path) {
#if defined(Q_OS_WIN)
    // Windows passes one command line; its quoting is decided (and tested) without Qt.
    QProcess editor;
    editor.setProgram("notepad.exe");
    editor.setNativeArguments(
        QString::fromStdString(app::windowsEditorArguments(path.toStdString())));
    return editor.startDetached();
#elif defined(Q_OS_MACOS)
    return QProcess::startDetached("open", {"-t", path});
#else
    return openAsPlainText(path);
#endif
}

}  // namespace trawlix::app
