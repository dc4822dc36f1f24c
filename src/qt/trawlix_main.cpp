// Trawlix: links a PC to a hand-held GPS receiver over a serial line.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>

#include "app/backup_actions.h"
#include "app/detection.h"
#include "app/device_settings.h"
#include "app/port_holder.h"
#include "app/window_command_line.h"
#include "app/your_form.h"
#include "common/version.h"
#include "qt/main_window.h"
#include "qt/port_detector.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_xml_source.h"
#include "qt/serial_link.h"
#include "qt/window_fix_share.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// On Windows the window's program has no console of its own: started from a command prompt,
// what it prints would go nowhere. It writes to the prompt's console then, unless its output
// was sent elsewhere.
void printToStartingConsole() {
#if defined(_WIN32)
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
        AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
    }
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before QApplication exists, which would fail without a display.
    const auto start = trawlix::app::windowStart({argv + 1, argv + argc});
    if (start != trawlix::app::WindowStart::OpenWindow) {
        printToStartingConsole();
    }
    switch (start) {
        case trawlix::app::WindowStart::ShowHelp:
            std::printf("%s", trawlix::app::windowUsage().c_str());
            return 0;
        case trawlix::app::WindowStart::ShowVersion:
            std::printf("trawlix %s\n", trawlix::common::kVersion);
            return 0;
        case trawlix::app::WindowStart::OpenWindow:
            break;
    }
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(trawlix::common::kDesktopId));
    // The installed icon, found through the icon theme; none when run from the build tree.
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(trawlix::common::kDesktopId)));
    trawlix::app::QtSettingsStore settings;
    trawlix::link::SerialLink magellan(
        [&settings](std::int16_t port) { return trawlix::app::deviceForPort(settings, port); });
    trawlix::app::MainWindow window;
    trawlix::app::YourForm form(window, magellan, settings,
                                QCoreApplication::applicationDirPath().toStdString());
    trawlix::qt::QtXmlSource xml;
    form.setXmlSource(&xml);
    window.attach(form);
    trawlix::qt::WindowFixShare fixShare(window, form, magellan, settings);
    trawlix::app::BackupActions backups(window, form, magellan, xml, settings,
                                        [&window](std::function<void()> action, int delayMs) {
                                            QTimer::singleShot(delayMs, &window, std::move(action));
                                        });
    window.setReceiverActions({[&backups] { backups.backUp(); }, [&backups] { backups.restore(); },
                               [&backups] { backups.stopRun(); }});
    window.setSearchCandidates([&settings] {
        return trawlix::app::detectionCandidates(trawlix::app::systemPorts(),
                                                 trawlix::app::assignedDevices(settings), {},
                                                 trawlix::app::sameDevice);
    });
    // Start-up runs once the event loop does, so that the window can show itself first.
    QTimer::singleShot(0, &window, [&form] { form.Form_Load(); });
    return QApplication::exec();
}
