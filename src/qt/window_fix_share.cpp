#include "qt/window_fix_share.h"

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>

#include "link/protocol_texts.h"

namespace trawlix::qt {
namespace {

constexpr int kWatchMs = 500;

}  // namespace

WindowFixShare::WindowFixShare(QMainWindow& window, app::YourForm& form, link::GpsLink& magellan,
                               app::SettingsStore& settings)
    : window_(window),
      form_(form),
      magellan_(magellan),
      settings_(settings),
      share_(app::readShareSettings(settings)) {
    item_ = new QAction("Share Live Fix...", &window);
    item_->setObjectName("mnuShareFix");
    item_->setCheckable(true);
    if (auto* file = window.findChild<QMenu*>("mnuFile")) {
        file->insertAction(window.findChild<QAction*>("mnuFindGps"), item_);
    }
    status_ = new QLabel(&window);
    status_->setObjectName("statusShare");
    window.statusBar()->addPermanentWidget(status_);
    connect(item_, &QAction::triggered, this, &WindowFixShare::toggled);
    connect(&server_, &FixServer::clientConnected, this, &WindowFixShare::showState);
    connect(&server_, &FixServer::clientLeft, this, &WindowFixShare::showState);
    connect(&watch_, &QTimer::timeout, this, &WindowFixShare::watch);
    magellan_.setNmeaTap([this](const std::string& line, bool checksumError) {
        server_.setPaused(form_.transfer().has_value());
        if (!checksumError) {
            server_.offer(line);
        }
    });
    if (share_.on && !start(share_.address, false)) {
        share_.on = false;
    }
    showState();
}

WindowFixShare::~WindowFixShare() {
    magellan_.setNmeaTap({});
}

void WindowFixShare::toggled(bool on) {
    if (!on) {
        stop();
    } else {
        bool accepted = false;
        const QString typed = QInputDialog::getText(
            &window_, "Share Live Fix",
            "Navigation programs connect over TCP to [address:]port.\n"
            "127.0.0.1 is this machine only; any other address lets other machines read "
            "the position.",
            QLineEdit::Normal, QString::fromStdString(share_.address.text()), &accepted);
        const auto address = app::parseListenAddress(typed.trimmed().toStdString());
        if (!accepted) {
            item_->setChecked(false);
            return;
        }
        if (!address) {
            QMessageBox::warning(&window_, "Share Live Fix",
                                 "Give a port (such as 10110), or an address and a port "
                                 "(such as 127.0.0.1:10110).");
            item_->setChecked(false);
            return;
        }
        share_.on = start(*address, true);
    }
    app::saveShareSettings(settings_, share_);
    showState();
}

bool WindowFixShare::start(const app::ListenAddress& address, bool ask) {
    if (const auto failure = server_.listen(address)) {
        if (ask) {
            QMessageBox::warning(&window_, "Share Live Fix", QString::fromStdString(*failure));
        }
        return false;
    }
    share_.address = address;
    if (const std::string warning = app::exposureWarning(address); !warning.empty() && ask) {
        QMessageBox::information(&window_, "Share Live Fix", QString::fromStdString(warning));
    }
    nmeaAsked_ = false;
    watch_.start(kWatchMs);
    askForNmea();
    return true;
}

void WindowFixShare::stop() {
    server_.close();
    watch_.stop();
    share_.on = false;
}

void WindowFixShare::askForNmea() {
    // Whether NMEA is on cannot be read back from the receiver; asking again is harmless.
    if (!nmeaAsked_ && magellan_.IsOpen() && !form_.transfer()) {
        magellan_.SendSentence(std::string(link::protocol::kNmeaOnCommand));
        nmeaAsked_ = true;
    }
}

void WindowFixShare::watch() {
    seconds_ += kWatchMs / 1000.0;
    const bool transferRunning = form_.transfer().has_value();
    server_.setPaused(transferRunning);
    if (!magellan_.IsOpen()) {
        nmeaAsked_ = false;  // a port opened again starts without NMEA
    }
    if (resume_.update(transferRunning, seconds_)) {
        nmeaAsked_ = false;
    }
    askForNmea();
    showState();
}

void WindowFixShare::showState() {
    item_->setChecked(server_.listening());
    status_->setVisible(server_.listening());
    if (server_.listening()) {
        status_->setText(
            QString::fromStdString(app::sharingStatus(server_.address(), server_.clientCount())));
    }
}

}  // namespace trawlix::qt
