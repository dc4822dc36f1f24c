// trawlix-cli: the transfers of the Trawlix window from a script, without a desktop.
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "app/device_settings.h"
#include "app/receiver_backup.h"
#include "app/window_captions.h"
#include "app/your_form.h"
#include "cli/cli_options.h"
#include "cli/console_run.h"
#include "cli/console_view.h"
#include "cli/progress.h"
#include "cli/week_rollover_probe.h"
#include "common/version.h"
#include "qt/cli_offline.h"
#include "qt/cli_share.h"
#include "qt/console_platform.h"
#include "qt/figure_commands.h"
#include "qt/fix_server.h"
#include "qt/qt_settings_store.h"
#include "qt/qt_xml_source.h"
#include "qt/serial_link.h"

namespace {

using namespace trawlix;
using cli::CliOptions;
using cli::runUntil;
using cli::waitWhile;

int runTransfer(const CliOptions& options, app::YourForm& form, cli::ConsoleView& view) {
    const std::string path =
        QFileInfo(QString::fromStdString(options.file)).absoluteFilePath().toStdString();
    cli::Progress progress(form, view, cli::isTerminal(stderr));
    cli::startTransfer(form, cli::functionEntry(options.command, options.kind), path,
                       cli::fileFormat(options, options.file));
    runUntil([&] { return view.outcome.has_value(); }, [&] { progress.update(); });
    progress.update();
    progress.finish();
    if (cli::interrupted() && !view.outcome) {
        const bool upload = options.command == CliOptions::Command::Upload;
        cli::stopTransfer(form, upload, waitWhile);
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
    form.chooseFunction(app::kNmeaOn);
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
    form.chooseFunction(app::kNmeaOff);
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
    cli::Progress progress(form, view, cli::isTerminal(stderr), true);
    runUntil([&] { return run.finished(); }, [&] { progress.update(); });
    progress.finish();
    if (!run.finished()) {
        cli::stopSequence(run, form, waitWhile);
    }
    std::fprintf(run.completed() ? stdout : stderr, "%s\n", cli::sequenceMessage(run).c_str());
    return cli::sequenceStatus(run, view, cli::interrupted());
}

int runBackup(const std::string& file, app::YourForm& form, link::GpsLink& magellan,
              cli::ConsoleView& view) {
    QObject lifetime;
    app::ReceiverBackup backup(form, magellan,
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
               cli::ConsoleView& view) {
    QObject lifetime;
    app::ReceiverRestore restore(form, [&lifetime](std::function<void()> action, int delayMs) {
        QTimer::singleShot(delayMs, &lifetime, std::move(action));
    });
    restore.start(absolutePath(options.file), std::move(plan));
    return runSequence(restore, form, view);
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
    const auto application = qt::consoleApplication(argc, argv);
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
        return cli::runConvert(options);
    }
    if (const auto status = qt::runFigureCommand(options)) {
        return *status;
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
        return cli::runPorts(stored);
    }
    if (options.command == CliOptions::Command::Detect) {
        return cli::runDetect(options, stored);
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
    app::YourForm form(view, magellan, settings,
                       QCoreApplication::applicationDirPath().toStdString());
    qt::QtXmlSource xml;
    form.setXmlSource(&xml);
    if (options.weekRollover) {
        form.weekRollover().overrideChoice(*options.weekRollover);
    }
    form.weekRollover().onNotice = [](const std::string& notice) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    };
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
    if (cli::wantsReceiverDate(options, form)) {
        cli::readReceiverDate(form, [](const std::function<bool()>& done, int ms) {
            QElapsedTimer waited;
            waited.start();
            runUntil([&] { return done() || waited.elapsed() >= ms; });
        });
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
            status = runBackup(*backupPath, form, magellan, view);
            break;
        case CliOptions::Command::Restore:
            status = runRestore(options, std::move(*plan), form, view);
            break;
        case CliOptions::Command::Help:
        case CliOptions::Command::ProgramVersion:
        case CliOptions::Command::Ports:
        case CliOptions::Command::Detect:
        case CliOptions::Command::Convert:
        case CliOptions::Command::Info:
        case CliOptions::Command::Picture:
            break;
    }
    magellan.ClosePort();
    return status;
}
