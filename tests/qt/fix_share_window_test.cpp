// "Share Live Fix..." in the window: the kept setting shares at start, a program that
// connects gets the receiver's sentences and no others, and unchecking keeps it off.
#include <gtest/gtest.h>
#include <unistd.h>
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTcpSocket>

#include "app/your_form.h"
#include "qt/main_window.h"
#include "qt/window_fix_share.h"
#include "support/fake_gps_link.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

bool eventually(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < 5000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

TEST(FixShareWindow, TheKeptSettingSharesTheReceiversSentencesOnly) {
    const auto port = static_cast<quint16>(20000 + ::getpid() % 30000);
    MemorySettings settings;
    settings.values["Share/On"] = "1";
    settings.values["Share/Listen"] = "127.0.0.1:" + std::to_string(port);
    app::MainWindow window;
    FakeGpsLink link;
    app::YourForm form(window, link, settings, "/opt/trawlix");
    window.attach(form);
    qt::WindowFixShare share(window, form, link, settings);
    auto* item = window.findChild<QAction*>("mnuShareFix");
    auto* status = window.findChild<QLabel*>("statusShare");
    ASSERT_TRUE(item != nullptr && status != nullptr);
    EXPECT_TRUE(item->isChecked());

    QTcpSocket client;
    client.connectToHost("127.0.0.1", port);
    ASSERT_TRUE(eventually([&] { return status->text().endsWith("1 program"); }))
        << status->text().toStdString();
    const std::string fix = "$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39";
    link.nmea("$PMGNWPL,4917.16,N,12310.64,W,0,M,HOME,,a*2A");
    link.nmea(fix);
    link.nmea(fix, true);
    ASSERT_TRUE(eventually([&] { return client.bytesAvailable() >= qint64(fix.size() + 2); }));
    EXPECT_EQ(client.readAll().toStdString(), fix + "\r\n");

    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(settings.values["Share/On"], "0");
    EXPECT_TRUE(eventually([&] { return client.state() == QAbstractSocket::UnconnectedState; }));
}

}  // namespace
}  // namespace trawlix::testing
