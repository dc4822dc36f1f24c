#include "qt/console_platform.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <cstdlib>

#if defined(Q_OS_UNIX)
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <io.h>
#endif

namespace trawlix::cli {
namespace {

std::atomic<int> interruptCount{0};
volatile std::sig_atomic_t statusOnSecond = 1;
std::function<void()> interruptAction;

#if defined(Q_OS_UNIX)
int wakeFds[2] = {-1, -1};

void onSignal(int) {
    if (++interruptCount > 1) {
        constexpr char kNote[] = "\nStopped at once.\n";
        [[maybe_unused]] const auto noted = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
        ::_exit(statusOnSecond);
    }
    if (wakeFds[0] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(wakeFds[0], &byte, 1);
    }
}
#else
void onSignal(int) {
    if (++interruptCount > 1) {
        std::_Exit(statusOnSecond);
    }
    std::signal(SIGINT, onSignal);  // reset to the default on delivery there
}
#endif

}  // namespace

void catchInterrupts(int secondStatus) {
    static bool caught = false;
    if (caught) {
        return;
    }
    caught = true;
    statusOnSecond = secondStatus;
#if defined(Q_OS_UNIX)
    // Made before the handler: the handler only ever sees it whole or not at all.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeFds) != 0) {
        wakeFds[0] = wakeFds[1] = -1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
#else
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
#endif
}

void wakeLoopOnInterrupt() {
#if defined(Q_OS_UNIX)
    if (wakeFds[1] < 0) {
        return;
    }
    // The notifier only wakes the loop; the count carries the news.
    auto* notifier =
        new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char byte = 0;
        [[maybe_unused]] const auto got = ::read(wakeFds[1], &byte, 1);
        if (interruptAction) {
            interruptAction();
        }
    });
#endif
}

bool interrupted() {
    return interruptCount > 0;
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
