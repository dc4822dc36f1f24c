#pragma once

#include <QObject>
#include <QTimer>

#include "app/fix_share.h"
#include "app/settings_store.h"
#include "app/your_form.h"
#include "link/gps_link.h"
#include "qt/fix_server.h"

class QAction;
class QLabel;
class QMainWindow;

namespace trawlix::qt {

// "Share Live Fix..." in the window's File menu: a checkable item whose small dialog takes
// the address and port, the sharing text in the status bar, and the setting kept between
// runs. While a download or upload runs the feed pauses (clients stay connected); NMEA is
// asked for again once the transfers are over.
class WindowFixShare : public QObject {
    Q_OBJECT

  public:
    WindowFixShare(QMainWindow& window, app::YourForm& form, link::GpsLink& magellan,
                   app::SettingsStore& settings);
    ~WindowFixShare() override;

  private:
    void toggled(bool on);
    // Listens and switches NMEA on; false, with a box, when the address cannot be had.
    bool start(const app::ListenAddress& address, bool ask);
    void stop();
    void watch();
    void showState();
    void askForNmea();

    QMainWindow& window_;
    app::YourForm& form_;
    link::GpsLink& magellan_;
    app::SettingsStore& settings_;
    app::ShareSettings share_;
    FixServer server_;
    QAction* item_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer watch_;
    double seconds_ = 0.0;
    app::ResumeAfterTransfer resume_;
    bool nmeaAsked_ = false;  // since the port was opened
};

}  // namespace trawlix::qt
