#include "qt/cli_share.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "cli/console_run.h"
#include "qt/fix_server.h"

namespace trawlix::qt {
namespace {

void say(bool quiet, const QString& line) {
    if (!quiet) {
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        std::fflush(stderr);
    }
}

}  // namespace

std::unique_ptr<FixServer> listenForShare(const cli::CliOptions& options) {
    auto server = std::make_unique<FixServer>();
    const app::ListenAddress address = options.listen.value_or(app::ListenAddress{});
    if (const auto failure = server->listen(address)) {
        std::fprintf(stderr, "%s\n", failure->c_str());
        return nullptr;
    }
    if (const std::string warning = app::exposureWarning(address); !warning.empty()) {
        std::fprintf(stderr, "%s\n", warning.c_str());  // said even with --quiet
    }
    // Programs may connect while the link is still being set up.
    FixServer* const shown = server.get();
    const bool quiet = options.quiet;
    QObject::connect(shown, &FixServer::clientConnected, [shown, quiet](const QString& peer) {
        say(quiet, QString("Connected: %1 (%2 connected)").arg(peer).arg(shown->clientCount()));
    });
    QObject::connect(
        shown, &FixServer::clientLeft, [shown, quiet](const QString& peer, const QString& why) {
            say(quiet,
                QString("Left: %1, %2 (%3 connected)").arg(peer, why).arg(shown->clientCount()));
        });
    return server;
}

int runShare(FixServer& server, bool quiet, app::YourForm& form, cli::ConsoleView& view,
             link::GpsLink& magellan, const LoopRunner& runUntil) {
    say(quiet, QString::fromStdString("Sharing the live fix on " + server.address().text() +
                                      " until interrupted (Ctrl-C)."));
    magellan.setNmeaTap([&server](const std::string& line, bool checksumError) {
        if (!checksumError) {
            server.offer(line);
        }
    });
    form.chooseFunction(app::kNmeaOn);
    runUntil([&] { return view.outcome.has_value(); });
    magellan.setNmeaTap({});
    server.close();
    if (view.outcome) {
        return cli::exitStatusFor(*view.outcome);
    }
    form.chooseFunction(app::kNmeaOff);
    // The command crosses the line before the port closes, Ctrl-C or not.
    constexpr int kCrossingMs = 300;
    QElapsedTimer sent;
    sent.start();
    while (sent.elapsed() < kCrossingMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, kCrossingMs);
    }
    return cli::kCompleted;
}

}  // namespace trawlix::qt
