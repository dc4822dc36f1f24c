#include "qt/plain_text_opener.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <cstdlib>

#include "app/text_editor.h"

namespace trawlix::app {
namespace {

// xdg-mime answers from files at once; a desktop that hangs here gets no default.
constexpr int kQueryTimeoutMs = 3000;

std::string defaultTextApplication() {
    QProcess query;
    query.start("xdg-mime", {"query", "default", "text/plain"});
    if (!query.waitForFinished(kQueryTimeoutMs) || query.exitStatus() != QProcess::NormalExit ||
        query.exitCode() != 0) {
        query.kill();
        query.waitForFinished(kQueryTimeoutMs);
        return {};
    }
    return QString::fromLocal8Bit(query.readAllStandardOutput()).toStdString();
}

DesktopFacts desktopFacts() {
    DesktopFacts facts;
    facts.defaultTextApplication = defaultTextApplication();
    facts.applicationFolders = applicationFolders(
        std::getenv("XDG_DATA_HOME"), std::getenv("XDG_DATA_DIRS"), std::getenv("HOME"));
    facts.readFile = [](const std::string& path) -> std::optional<std::string> {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::ReadOnly)) {
            return std::nullopt;
        }
        return file.readAll().toStdString();
    };
    facts.canRun = [](const std::string& program) {
        return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
    };
    return facts;
}

}  // namespace

bool openAsPlainText(const QString& path) {
    for (const EditorCommand& command : textEditorCommands(path.toStdString(), desktopFacts())) {
        QStringList arguments;
        for (const std::string& argument : command.arguments) {
            arguments << QString::fromStdString(argument);
        }
        // startDetached answers false when the program cannot be executed; then the next
        // editor gets its turn.
        if (QProcess::startDetached(QString::fromStdString(command.program), arguments)) {
            return true;
        }
    }
    return false;
}

}  // namespace trawlix::app
