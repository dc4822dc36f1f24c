// Trawlix: links a PC to a hand-held GPS receiver over a serial line.
#include <QApplication>
#include <QTimer>

#include "app/detection.h"
#include "app/device_settings.h"
#include "app/port_holder.h"
#include "app/your_form.h"
#include "qt/main_window.h"
#include "qt/port_detector.h"
#include "qt/qt_settings_store.h"
#include "qt/serial_link.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    trawlix::app::QtSettingsStore settings;
    trawlix::link::SerialLink magellan(
        [&settings](std::int16_t port) { return trawlix::app::deviceForPort(settings, port); });
    trawlix::app::MainWindow window;
    trawlix::app::YourForm form(window, magellan, settings,
                                QCoreApplication::applicationDirPath().toStdString());
    window.attach(form);
    window.setSearchCandidates([&settings] {
        return trawlix::app::detectionCandidates(trawlix::app::systemPorts(),
                                                 trawlix::app::assignedDevices(settings), {},
                                                 trawlix::app::sameDevice);
    });
    // Start-up runs once the event loop does, so that the window can show itself first.
    QTimer::singleShot(0, &window, [&form] { form.Form_Load(); });
    return QApplication::exec();
}
