#include "qt/console_platform.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <csignal>

#if defined(Q_OS_UNIX)
#include <sys/socket.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace trawlix::cli {
namespace {

std::atomic<bool> interruptFlag{false};
std::function<void()> interruptAction;

#if defined(Q_OS_UNIX)
int wakeFds[2] = {-1, -1};

void onSignal(int) {
    interruptFlag = true;
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(wakeFds[0], &byte, 1);
}
#else
void onSignal(int) {
    interruptFlag = true;
}
#endif

}  // namespace

void catchInterrupts() {
#if defined(Q_OS_UNIX)
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeFds) == 0) {
        // The notifier only wakes the loop; the flag carries the news.
        auto* notifier =
            new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, [] {
            char byte = 0;
            [[maybe_unused]] const auto got = ::read(wakeFds[1], &byte, 1);
            if (interruptAction) {
                interruptAction();
            }
        });
    }
#endif
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

bool interrupted() {
    return interruptFlag;
}

void onInterrupt(std::function<void()> action) {
    interruptAction = std::move(action);
}

bool isTerminal(std::FILE* stream) {
#if defined(Q_OS_UNIX)
    return ::isatty(::fileno(stream)) != 0;
#elif defined(Q_OS_WIN)
    return ::_isatty(::_fileno(stream)) != 0;
#else
    return false;
#endif
}

}  // namespace trawlix::cli
