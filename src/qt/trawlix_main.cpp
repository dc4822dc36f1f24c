// Trawlix: links a PC to a hand-held GPS receiver over a serial line.
#include <QApplication>
#include <QTimer>

#include "app/device_settings.h"
#include "app/your_form.h"
#include "qt/main_window.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_xml_source.h"
#include "qt/serial_link.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    trawlix::app::QtSettingsStore settings;
    trawlix::link::SerialLink magellan(
        [&settings](std::int16_t port) { return trawlix::app::deviceForPort(settings, port); });
    trawlix::app::MainWindow window;
    trawlix::app::YourForm form(window, magellan, settings,
                                QCoreApplication::applicationDirPath().toStdString());
    trawlix::qt::QtXmlSource xml;
    form.setXmlSource(&xml);
    window.attach(form);
    // Start-up runs once the event loop does, so that the window can show itself first.
    QTimer::singleShot(0, &window, [&form] { form.Form_Load(); });
    return QApplication::exec();
}
