// trawlix-cli: the transfers of the Trawlix window from a script, without a desktop.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "app/detection.h"
#include "app/device_settings.h"
#include "app/driven_view.h"
#include "app/port_holder.h"
#include "app/receiver_backup.h"
#include "app/window_captions.h"
#include "app/your_form.h"
#include "cli/cli_options.h"
#include "cli/console_run.h"
#include "cli/console_view.h"
#include "common/numbers.h"
#include "common/version.h"
#include "qt/cli_share.h"
#include "qt/console_platform.h"
#include "qt/fix_server.h"
#include "qt/port_detector.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_xml_source.h"
#include "qt/serial_link.h"
#include "transfer/gpx_convert.h"

namespace {

using namespace trawlix;
using cli::CliOptions;

// Shows the count of records on standard error while a transfer runs: on a terminal the
// window's status text (with the total and time left of an upload) in one line rewritten in
// place, a plain line a second otherwise (with the status text when `described`, as a backup
// or restore has several parts).
class Progress {
  public:
    Progress(const app::YourForm& form, const cli::ConsoleView& view, bool described = false)
        : form_(form), view_(view), terminal_(cli::isTerminal(stderr)), described_(described) {}

    void update() {
        const int count = form_.RecordCount.value();
        if (count == shown_) {
            return;
        }
        shown_ = count;
        if (terminal_) {
            std::fprintf(stderr, "\r%s\033[K", view_.activity.c_str());
        } else if (lastLine_.elapsed() >= 1000) {
            if (described_) {
                std::fprintf(stderr, "%s\n", view_.activity.c_str());
            } else {
                std::fprintf(stderr, "%d records\n", count);
            }
            lastLine_.restart();
        }
        std::fflush(stderr);
    }
    void finish() {
        if (terminal_ && shown_ >= 0) {
            std::fprintf(stderr, "\n");
        }
    }

  private:
    const app::YourForm& form_;
    const cli::ConsoleView& view_;
    bool terminal_;
    bool described_;
    int shown_ = -1;
    QElapsedTimer lastLine_ = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
};

// Runs the event loop until `done` holds or the user interrupts. The loop sleeps until an
// event comes; a tick wakes it now and then, so that conditions on time are seen too.
void runUntil(const std::function<bool()>& done, const std::function<void()>& every = {}) {
    constexpr int kTickMs = 100;
    QTimer tick;
    tick.start(kTickMs);
    while (!done() && !cli::interrupted()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (every) {
            every();
        }
    }
}

int runTransfer(const CliOptions& options, app::YourForm& form, cli::ConsoleView& view) {
    const std::string path =
        QFileInfo(QString::fromStdString(options.file)).absoluteFilePath().toStdString();
    Progress progress(form, view);
    cli::startTransfer(form, view, cli::functionEntry(options.command, options.kind), path,
                       cli::fileFormat(options, options.file));
    runUntil([&] { return view.outcome.has_value(); }, [&] { progress.update(); });
    progress.update();
    progress.finish();
    if (cli::interrupted() && !view.outcome) {
        const bool upload = options.command == CliOptions::Command::Upload;
        cli::stopTransfer(form, upload, [](const std::function<bool()>& ending) {
            constexpr int kRouteEndMs = 30000;
            QElapsedTimer waited;
            waited.start();
            while (ending() && waited.elapsed() < kRouteEndMs) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
            }
        });
        if (upload) {
            std::fprintf(stderr, "Stopped: the upload of %s is not complete (%d records sent).\n",
                         path.c_str(), form.RecordCount.value());
        } else {
            std::fprintf(stderr, "Stopped: %d records received are kept in %s.\n",
                         form.RecordCount.value(), path.c_str());
        }
        return cli::kAbandoned;
    }
    return cli::exitStatusFor(*view.outcome);
}

transfer::UploadKind uploadKindOf(CliOptions::Kind kind) {
    switch (kind) {
        case CliOptions::Kind::Waypoints:
            return transfer::UploadKind::Waypoints;
        case CliOptions::Kind::Routes:
            return transfer::UploadKind::Route;
        case CliOptions::Kind::Tracks:
            break;
    }
    return transfer::UploadKind::Track;
}

// Offline: OUT's format decides the direction, and IN must be in the other.
int runConvert(const CliOptions& options) {
    const bool toGpx = cli::fileFormat(options, options.output) == CliOptions::Format::Gpx;
    const bool fromGpx = transfer::gpx::isGpxName(options.file);
    if (toGpx == fromGpx && !options.format) {
        std::fprintf(stderr,
                     "trawlix-cli: convert goes between text and GPX: %s and %s are "
                     "both %s (say the format of OUT with --format)\n",
                     options.file.c_str(), options.output.c_str(), toGpx ? "GPX" : "text");
        return cli::kUsage;
    }
    qt::QtXmlSource xml;
    const transfer::UploadKind kind = uploadKindOf(options.kind);
    const transfer::gpx::ConversionResult result =
        toGpx ? transfer::gpx::textToGpx(kind, options.file, options.output, options.waypointsFile,
                                         xml)
              : transfer::gpx::gpxToText(kind, options.file, options.output, xml);
    std::fprintf(result.ok ? stdout : stderr, "%s\n", result.message.c_str());
    return result.ok ? cli::kCompleted : cli::kFileProblem;
}

int runNmea(const CliOptions& options, app::YourForm& form, cli::ConsoleView& view,
            cli::NmeaTap& tap, const cli::NmeaValues& values) {
    // A receiver sends the sentences of a fix together: they change the values within one
    // turn of the loop, and make one line.
    int fixes = 0;
    const auto printChanges = [&] {
        const bool captionsChanged = view.takeFixChange();
        if (tap.takeChange() || captionsChanged) {
            ++fixes;
            std::printf("%s\n", view.fixLine(values).c_str());
            std::fflush(stdout);
        }
    };
    QElapsedTimer clock;
    clock.start();
    view.function = app::kNmeaOn;
    form.cboFunction_Click();
    runUntil(
        [&] {
            return view.outcome.has_value() || (options.nmeaCount && fixes >= *options.nmeaCount) ||
                   (options.nmeaSeconds &&
                    static_cast<double>(clock.elapsed()) >= *options.nmeaSeconds * 1000.0);
        },
        printChanges);
    if (view.outcome) {
        return cli::exitStatusFor(*view.outcome);
    }
    view.function = app::kNmeaOff;
    form.cboFunction_Click();
    clock.restart();
    runUntil([&] { return clock.elapsed() > 300; });
    return cli::kCompleted;
}

std::string absolutePath(const std::string& file) {
    return QFileInfo(QString::fromStdString(file)).absoluteFilePath().toStdString();
}

// The backup's file, checked before the port is opened: nothing when it exists and may
// not be overwritten.
std::optional<std::string> backupFile(const CliOptions& options) {
    std::string file = options.file;
    if (file.empty()) {
        const std::time_t now = std::time(nullptr);
        file = transfer::backup::defaultBackupName(*std::localtime(&now));
    }
    std::error_code ec;
    if (!options.force && std::filesystem::exists(transfer::pathFromUtf8(file), ec)) {
        std::fprintf(stderr, "%s exists already; give --force to overwrite it.\n", file.c_str());
        return std::nullopt;
    }
    return absolutePath(file);
}

// The whole file is read and checked before the port is opened, so that a file that cannot
// be sent, or --dry-run, never touches the receiver.
std::optional<transfer::backup::RestorePlan> restorePlan(const CliOptions& options) {
    qt::QtXmlSource xml;
    transfer::backup::RestoreCheck check =
        transfer::backup::checkRestore(options.file, xml, options.only);
    if (!check.plan) {
        std::fprintf(stderr, "%s Nothing was sent.\n", check.error.c_str());
        return std::nullopt;
    }
    std::printf("%s %s.\n", options.dryRun ? "Would send" : "Sending",
                transfer::backup::restoreSummary(*check.plan).c_str());
    std::fflush(stdout);
    return check.plan;
}

// Runs a backup or a restore to its end, or stops it at Ctrl-C; prints the one message.
int runSequence(app::KindSequence& run, app::YourForm& form, cli::ConsoleView& view) {
    Progress progress(form, view, true);
    runUntil([&] { return run.finished(); }, [&] { progress.update(); });
    progress.finish();
    if (!run.finished()) {
        run.stop();
        // A route being sent goes out whole: wait for that, boundedly, as a single upload does.
        constexpr int kRouteEndMs = 30000;
        QElapsedTimer waited;
        waited.start();
        while (form.stoppedUploadEnding() && waited.elapsed() < kRouteEndMs) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        }
    }
    // The window's line ends, CR LF, as the console's.
    std::string text = run.result();
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::fprintf(run.completed() ? stdout : stderr, "%s\n", text.c_str());
    if (run.completed()) {
        return cli::kCompleted;
    }
    return view.outcome && !cli::interrupted() ? cli::exitStatusFor(*view.outcome) : cli::kAbandoned;
}

int runBackup(const std::string& file, app::YourForm& form, app::DrivenView& driven,
              link::GpsLink& magellan, cli::ConsoleView& view) {
    QObject lifetime;
    app::ReceiverBackup backup(form, driven, magellan,
                               [&lifetime](std::function<void()> action, int delayMs) {
                                   QTimer::singleShot(delayMs, &lifetime, std::move(action));
                               });
    if (const auto why = backup.start(file)) {
        std::fprintf(stderr, "%s\n", why->c_str());
        return cli::kFileProblem;
    }
    return runSequence(backup, form, view);
}

int runRestore(const CliOptions& options, transfer::backup::RestorePlan plan, app::YourForm& form,
               app::DrivenView& driven, cli::ConsoleView& view) {
    QObject lifetime;
    app::ReceiverRestore restore(form, driven,
                                 [&lifetime](std::function<void()> action, int delayMs) {
                                     QTimer::singleShot(delayMs, &lifetime, std::move(action));
                                 });
    restore.start(absolutePath(options.file), std::move(plan));
    return runSequence(restore, form, view);
}

int runPorts(app::QtSettingsStore& stored) {
    for (const std::string& line :
         app::portsReport(app::systemPorts(), app::assignedDevices(stored), app::sameDevice)) {
        std::printf("%s\n", line.c_str());
    }
    return cli::kCompleted;
}

// The port number --save assigns to: --port, else the window's current port.
std::int16_t currentPortNumber(const CliOptions& options, app::SettingsStore& settings) {
    if (options.port) {
        return static_cast<std::int16_t>(*options.port);
    }
    const auto stored =
        common::strictInt16(settings.GetSetting(app::kSettingsApplication, "Port", "Port", "2"));
    return stored && *stored >= 1 ? *stored : std::int16_t{2};
}

int runDetect(const CliOptions& options, app::QtSettingsStore& stored) {
    const auto candidates = app::detectionCandidates(
        app::systemPorts(), app::assignedDevices(stored), options.devices, app::sameDevice);
    app::PortDetector detector;
    const bool terminal = cli::isTerminal(stderr);
    QObject::connect(&detector, &app::PortDetector::progressed, [&](int done, int total) {
        if (terminal) {
            std::fprintf(stderr, "\rProbing: %d of %d done", done, total);
            std::fflush(stderr);
        }
    });
    detector.start(candidates);
    runUntil([&] { return detector.finished(); });
    if (!detector.finished()) {
        detector.cancel();
    }
    if (terminal && !candidates.empty()) {
        std::fprintf(stderr, "\r\033[K");
    }
    const auto results = detector.results();
    for (const app::ProbeResult& result : results) {
        if (result.outcome == app::ProbeOutcome::Found) {
            std::printf("%s\n", app::describeResult(result).c_str());
        }
    }
    for (const app::ProbeResult& result : results) {
        if (result.outcome != app::ProbeOutcome::Found) {
            std::fprintf(stderr, "%s\n", app::describeResult(result).c_str());
        }
    }
    const auto receiver = app::firstReceiver(results);
    if (cli::interrupted()) {
        std::fprintf(stderr, "Stopped: the search was not finished.\n");
        return cli::kAbandoned;
    }
    if (!receiver) {
        std::fprintf(stderr,
                     candidates.empty() ? "No serial ports to try.\n" : "No receiver found.\n");
        return cli::kNoAnswer;
    }
    if (options.save) {
        const std::int16_t port = currentPortNumber(options, stored);
        app::assignReceiver(stored, port, *receiver);
        std::printf("Port %d is now %s at %s.\n", port, receiver->device.c_str(),
                    app::lineSettingsAt(receiver->baud).c_str());
        for (const std::int16_t other : app::otherPortsNaming(
                 receiver->device, port, app::assignedDevices(stored), app::sameDevice)) {
            std::printf("Port %d names the same device.\n", other);
        }
    }
    return cli::kCompleted;
}

#if defined(__ELF__)
// Before the shared libraries' initializers, Qt's among them, which take tens of
// milliseconds on a busy machine: a Ctrl-C in that time must not end the program by the
// signal.
void catchInterruptsFirst(int, char**, char**) {
    cli::catchInterrupts(cli::kAbandoned);
}
[[gnu::section(".preinit_array"),
  gnu::used]] void (*const kCatchInterruptsFirst)(int, char**, char**) = catchInterruptsFirst;
#endif

}  // namespace

int main(int argc, char* argv[]) {
    cli::catchInterrupts(cli::kAbandoned);  // does nothing more where it was done above
    QCoreApplication application(argc, argv);
#if defined(Q_OS_WIN)
    // There argv is in the system's 8-bit code page, which has no letters for most file
    // names; Qt reads the command line as typed, and the core takes UTF-8.
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments().mid(1)) {
        arguments.push_back(argument.toStdString());
    }
#else
    std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
    const cli::ParsedOptions parsed = cli::parseOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "trawlix-cli: %s\n\n%s", parsed.error.c_str(), cli::usage().c_str());
        return cli::kUsage;
    }
    const CliOptions& options = *parsed.options;
    if (options.command == CliOptions::Command::Help) {
        std::printf("%s", cli::usage().c_str());
        return cli::kCompleted;
    }
    if (options.command == CliOptions::Command::ProgramVersion) {
        std::printf("trawlix-cli %s\n", common::kVersion);
        return cli::kCompleted;
    }
    if (options.command == CliOptions::Command::Convert) {
        return runConvert(options);
    }
    std::optional<std::string> backupPath;
    if (options.command == CliOptions::Command::Backup && !(backupPath = backupFile(options))) {
        return cli::kFileProblem;
    }
    std::optional<transfer::backup::RestorePlan> plan;
    if (options.command == CliOptions::Command::Restore) {
        if (!(plan = restorePlan(options))) {
            return cli::kFileProblem;
        }
        if (options.dryRun) {
            return cli::kCompleted;
        }
    }
    std::unique_ptr<qt::FixServer> fixServer;
    if (options.command == CliOptions::Command::Share &&
        !(fixServer = qt::listenForShare(options))) {
        return cli::kShareUnavailable;
    }
    cli::wakeLoopOnInterrupt();
    if (cli::interrupted()) {
        std::fprintf(stderr, "Stopped before the port was opened: nothing was transferred.\n");
        return cli::kAbandoned;
    }

    app::QtSettingsStore stored;
    if (options.command == CliOptions::Command::Ports) {
        return runPorts(stored);
    }
    if (options.command == CliOptions::Command::Detect) {
        return runDetect(options, stored);
    }
    cli::ReadOnlySettings settings(stored);
    if (options.port) {
        settings.override("Port", "Port", std::to_string(*options.port));
    }
    if (!options.line.empty()) {
        settings.override("Port", "Settings", options.line);
    }
    link::SerialLink magellan([&](std::int16_t port) {
        return options.device.empty() ? app::deviceForPort(settings, port) : options.device;
    });
    cli::ConsoleView view(stdout, stderr, options.verbose);
    app::DrivenView driven(view);
    app::YourForm form(driven, magellan, settings,
                       QCoreApplication::applicationDirPath().toStdString());
    qt::QtXmlSource xml;
    form.setXmlSource(&xml);
    // The link's events reach the form through the tap, which also keeps the values only
    // the console prints.
    cli::NmeaValues values;
    cli::NmeaTap tap(form, values);
    magellan.setListener(&tap);

    // Ctrl-C during the set-up ends the link's wait for the receiver at once, and the link
    // sends nothing more; later, the transfer loops see the flag and cancel.
    bool settingUp = true;
    cli::onInterrupt([&] {
        if (settingUp) {
            view.quiet = true;
            magellan.abandon();
        }
    });
    form.Form_Load();
    settingUp = false;
    if (cli::interrupted() && view.quiet) {
        std::fprintf(stderr, "Stopped while setting up the link: nothing was transferred.\n");
        return cli::kAbandoned;
    }
    if (const auto status = cli::startUpStatus(view)) {
        return *status;
    }
    int status = cli::kCompleted;
    switch (options.command) {
        case CliOptions::Command::Version:
            std::printf("%s\n%s\n%s\n", view.caption(app::Label::ProductId).c_str(),
                        view.caption(app::Label::Version).c_str(),
                        view.caption(app::Label::GpsDesc).c_str());
            break;
        case CliOptions::Command::Download:
        case CliOptions::Command::Upload:
            status = runTransfer(options, form, view);
            break;
        case CliOptions::Command::Nmea:
            status = runNmea(options, form, view, tap, values);
            break;
        case CliOptions::Command::Share:
            status = qt::runShare(*fixServer, options.quiet, form, view, magellan,
                                  [](auto done) { runUntil(done); });
            break;
        case CliOptions::Command::Backup:
            status = runBackup(*backupPath, form, driven, magellan, view);
            break;
        case CliOptions::Command::Restore:
            status = runRestore(options, std::move(*plan), form, driven, view);
            break;
        case CliOptions::Command::Help:
        case CliOptions::Command::ProgramVersion:
        case CliOptions::Command::Ports:
        case CliOptions::Command::Detect:
        case CliOptions::Command::Convert:
            break;
    }
    magellan.ClosePort();
    return status;
}
