#include "simulation/random_session.h"

#include <random>

#include "cli/console_run.h"

namespace trawlix::simulation {
namespace {

// Faults and user actions happen in the first part of a session; then the world heals.
constexpr Micros kTroubledTime = 60 * kSecond;
// Once faults stop, a download must complete within this much virtual time: a receiver that
// gave up on a stopped transfer, the link's drain, and the download itself fit in it.
constexpr Micros kLivenessBound = 60 * kSecond;

class Dice {
  public:
    explicit Dice(std::uint32_t seed) : random_(seed) {}
    // A whole number in [low, high].
    int between(int low, int high) {
        return low + static_cast<int>(random_() % static_cast<std::uint32_t>(high - low + 1));
    }
    bool chance(int percent) { return between(1, 100) <= percent; }
    Micros moment(Micros low, Micros high) {
        return low + static_cast<Micros>(random_() % static_cast<std::uint64_t>(high - low + 1));
    }
    double probability(int lowPercent, int highPercent) {
        return between(lowPercent, highPercent) / 100.0;
    }
    std::uint32_t raw() { return static_cast<std::uint32_t>(random_()); }

  private:
    std::mt19937 random_;
};

void scheduleFault(Session& session, Referee& referee, Dice& dice) {
    const Micros at = dice.moment(0, kTroubledTime - kSecond);
    const Micros length = dice.moment(kSecond, 15 * kSecond);
    const Micros end = std::min(at + length, kTroubledTime);
    switch (dice.between(0, 5)) {
        case 0: {
            LineFaults faults;
            faults.corrupt = dice.probability(0, 30);
            faults.dropByte = dice.probability(0, 20);
            faults.dropAcknowledgement = dice.probability(0, 40);
            session.atTime(at, "the line turns bad",
                           [&session, faults] { session.line().faults = faults; });
            session.atTime(end, "the line is good again",
                           [&session] { session.line().faults = {}; });
            break;
        }
        case 1:
            session.atTime(at, "the receiver falls silent",
                           [&session] { session.receiver().setMuted(true); });
            session.atTime(end, "the receiver speaks again",
                           [&session] { session.receiver().setMuted(false); });
            break;
        case 2:
            session.atTime(at, "the receiver is switched off", [&session, &referee] {
                session.receiver().switchOff();
                referee.routeUploadDisturbed();
            });
            session.atTime(end, "the receiver is switched on",
                           [&session] { session.receiver().switchOn(); });
            break;
        case 3:
            session.atTime(at, "the cable is pulled", [&session, &referee] {
                session.hangUp();
                referee.routeUploadDisturbed();
            });
            session.atTime(end, "the cable is plugged back in",
                           [&session] { session.plugBackIn(); });
            break;
        case 4: {
            std::string noise(static_cast<std::size_t>(dice.between(10, 3000)), '\0');
            for (char& c : noise) {
                c = static_cast<char>(dice.raw() % 256);
            }
            const bool towardsHost = dice.chance(75);
            session.atTime(at, "a burst of noise", [&session, noise, towardsHost] {
                if (towardsHost) {
                    session.line().injectTowardsHost(noise, session.time());
                } else {
                    session.line().injectTowardsReceiver(noise, session.time());
                }
            });
            break;
        }
        default:
            session.atTime(at, "the receiver loses an acknowledgement",
                           [&session] { session.receiver().dropNextAcknowledgement(); });
            break;
    }
}

// A file name for a download, GPX or text.
std::string downloadName(Dice& dice, const std::string& stem) {
    return stem + (dice.chance(40) ? ".gpx" : ".txt");
}

void scheduleUserAction(Session& session, const UploadFiles& files, Dice& dice, int number) {
    const Micros at = dice.moment(kSecond, kTroubledTime);
    const int roll = dice.between(1, 100);
    const std::string name = downloadName(dice, "file" + std::to_string(number));
    if (roll <= 34) {
        const int entry = app::kRequestWaypoints + dice.between(0, 2);
        const bool cancelDialog = dice.chance(5);
        session.userAt(at, "download", [&session, entry, name, cancelDialog] {
            session.choose(entry, cancelDialog ? "" : name);
        });
    } else if (roll <= 58) {
        const int entry = app::kSendWaypoints + dice.between(0, 2);
        const std::string& file = files.of(entry, dice.chance(40));
        session.userAt(at, "upload", [&session, &file, entry] { session.choose(entry, file); });
    } else if (roll <= 62) {
        session.userAt(at, "version", [&session] { session.choose(app::kRequestVersion); });
    } else if (roll <= 70) {
        session.userAt(at, "NMEA on", [&session] { session.choose(app::kNmeaOn); });
    } else if (roll <= 76) {
        session.userAt(at, "NMEA off", [&session] { session.choose(app::kNmeaOff); });
    } else if (roll <= 85) {
        session.userAt(at, "Reset", [&session] { session.choose(app::kReset); });
    } else if (roll <= 90) {
        session.userAt(at, "close", [&session] { session.closePort(); });
    } else if (roll <= 94) {
        session.userAt(at, "open", [&session] { session.openPort(); });
    } else {
        const bool baud = dice.chance(50);
        const int choice = baud ? dice.between(0, 1) : dice.between(1, 3);
        session.userAt(at, "port", [&session, baud, choice] {
            if (baud) {
                session.chooseBaud(choice);
            } else {
                session.choosePort(static_cast<std::int16_t>(choice));
            }
        });
    }
}

// Backups and restores take dice of their own, so that the sessions of every seed play out as
// they did before these actions existed, up to the moment one of them happens.
void scheduleWholeReceiverAction(Session& session, const UploadFiles& files, std::uint32_t seed) {
    Dice dice(seed ^ 0x9E3779B9u);
    if (!dice.chance(20)) {
        return;
    }
    const Micros at = dice.moment(kSecond, kTroubledTime);
    const int roll = dice.between(1, 100);
    if (roll > 70) {
        session.userAt(at, "restore", [&session, &files] { session.restore(files.wholeGpx); });
        return;
    }
    session.userAt(at, "backup", [&session] { session.backUp("backup.gpx"); });
    if (roll > 40) {
        session.userAt(dice.moment(at, kTroubledTime), "restore the backup",
                       [&session] { session.restore("backup.gpx"); });
    }
}

// trawlix-cli's rules: its exit status is 0 only when the work is done, and always when the
// only faults were recoverable.
void playCommandLine(Session& session, Referee& referee, const UploadFiles& files, Dice& dice,
                     std::uint32_t seed, bool onlyRecoverable, std::vector<std::string>& problems) {
    const int entry = app::kRequestWaypoints + dice.between(0, 5);
    const bool gpx = dice.chance(40);
    const std::string file =
        entry >= app::kSendWaypoints ? files.of(entry, gpx) : (gpx ? "out.gpx" : "out.txt");
    const std::optional<Micros> ctrlC =
        dice.chance(25) ? std::optional(dice.moment(kSecond, 20 * kSecond)) : std::nullopt;
    // A backup or a restore takes dice of its own, so that every other command plays as before.
    Dice whole(seed ^ 0x27D4EB2Fu);
    const bool sequence = whole.chance(20);
    const bool backup = whole.chance(50);
    const CommandEnd end =
        sequence
            ? runSequenceCommand(session, backup, backup ? "backup.gpx" : files.wholeGpx, ctrlC)
            : runCommand(session, entry, file, ctrlC);
    const bool workDone = sequence ? end.completedRun : referee.transfersCompleted() > 0;
    const auto complain = [&](const std::string& text) {
        problems.push_back(secondsText(session.time()) + "  " + text);
        session.note("PROBLEM: " + text);
    };
    if (!end.status) {
        complain("trawlix-cli did not end within " + std::to_string(kCommandBound / kSecond) +
                 " s");
    } else if (*end.status == cli::kCompleted && !workDone) {
        complain("trawlix-cli exits 0 but the work is not done");
    } else if (*end.status != cli::kCompleted && onlyRecoverable && !end.interrupted) {
        complain("trawlix-cli exits " + std::to_string(*end.status) +
                 " after nothing but a recoverable fault");
    }
}

// The window: user actions at random moments while faults happen; then the world heals,
// and one more download must complete within a bound.
void playWindow(Session& session, const UploadFiles& files, Dice& dice, std::uint32_t seed,
                bool& troubled, std::vector<std::string>& problems) {
    const int actions = dice.between(1, 6);
    for (int i = 0; i < actions; ++i) {
        scheduleUserAction(session, files, dice, i + 1);
    }
    scheduleWholeReceiverAction(session, files, seed);
    session.start();
    session.runFor(kTroubledTime - session.time() > 0 ? kTroubledTime - session.time() : 0);

    troubled = false;
    session.note("faults stop");
    // Actions planned for the troubled part but held up by a box do not happen now.
    session.clearSchedule();
    session.line().faults = {};
    session.receiver().setMuted(false);
    session.receiver().switchOn();
    session.plugBackIn();
    if (session.form().LineSettings.rfind(std::to_string(session.baud()), 0) != 0) {
        session.chooseBaud(session.baud() == 9600 ? 1 : 0);
    }
    if (!session.portOpen()) {
        session.openPort();
    }
    const std::size_t before = session.view().messages.size();
    session.choose(app::kRequestWaypoints, downloadName(dice, "last"));
    const bool done = session.runUntil(
        [&] {
            const auto& messages = session.view().messages;
            for (std::size_t i = before; i < messages.size(); ++i) {
                if (messages[i].text.rfind("Received ", 0) == 0) {
                    return true;
                }
            }
            return false;
        },
        kLivenessBound);
    if (!done) {
        problems.push_back(secondsText(session.time()) +
                           "  the download after the faults stopped did not complete within " +
                           std::to_string(kLivenessBound / kSecond) + " s");
        session.note("PROBLEM: no completed download after the faults stopped");
    }
}

// trawlix-cli's start: nothing once the link is set up, else the status that ends the command.
std::optional<int> startCommandLine(Session& session) {
    session.start();
    return cli::startUpStatus(session.consoleView());
}

}  // namespace

CommandEnd runCommand(Session& session, int entry, const std::string& file,
                      std::optional<Micros> ctrlC) {
    cli::ConsoleView& console = session.consoleView();
    CommandEnd end;
    if ((end.status = startCommandLine(session))) {
        return end;
    }
    session.choose(entry, file);
    const auto ended = [&] { return console.outcome.has_value(); };
    if (ctrlC && !session.runUntil(ended, *ctrlC)) {
        session.interrupt(entry >= app::kSendWaypoints);
        end.interrupted = true;
        end.status = cli::kAbandoned;
    } else if (session.runUntil(ended, kCommandBound)) {
        end.status = cli::exitStatusFor(*console.outcome);
    }
    return end;
}

CommandEnd runSequenceCommand(Session& session, bool backup, const std::string& file,
                              std::optional<Micros> ctrlC) {
    cli::ConsoleView& console = session.consoleView();
    CommandEnd end;
    if ((end.status = startCommandLine(session))) {
        return end;
    }
    app::KindSequence* run = session.commandLineRun(backup, file);
    if (run == nullptr) {
        end.status = cli::kFileProblem;
        return end;
    }
    const auto finished = [run] { return run->finished(); };
    if (ctrlC && !session.runUntil(finished, *ctrlC)) {
        cli::stopSequence(*run, session.form(), [&session](const std::function<bool()>& ending) {
            session.runUntil([&ending] { return !ending(); }, 30 * kSecond);
        });
        end.interrupted = true;
        end.status = cli::sequenceStatus(*run, console, true);
    } else if (session.runUntil(finished, kCommandBound)) {
        end.status = cli::sequenceStatus(*run, console, false);
    }
    end.completedRun = run->completed();
    return end;
}

std::vector<std::string> shortened(const std::vector<std::string>& log, std::size_t lines) {
    // What led to the first broken rule matters; what came long before, or after, less.
    std::size_t end = log.size();
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (log[i].find("PROBLEM: ") != std::string::npos) {
            end = std::min(log.size(), i + 6);
            break;
        }
    }
    const std::size_t begin = end > lines ? end - lines : 0;
    std::vector<std::string> part;
    if (begin > 0) {
        part.push_back("... " + std::to_string(begin) + " earlier lines left out");
    }
    part.insert(part.end(), log.begin() + static_cast<std::ptrdiff_t>(begin),
                log.begin() + static_cast<std::ptrdiff_t>(end));
    if (end < log.size()) {
        part.push_back("... " + std::to_string(log.size() - end) + " later lines left out");
    }
    return part;
}

SessionOutcome runRandomSession(std::uint32_t seed, const UploadFiles& files,
                                const std::filesystem::path& folder, bool log) {
    Dice dice(seed);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    Session::Setup setup;
    setup.baud = dice.chance(70) ? 4800 : 9600;
    setup.waypoints = dice.between(4, 20);
    setup.trackPoints = dice.between(5, 60);
    setup.folder = folder;
    setup.log = log;
    setup.console = dice.chance(30);
    // Half the command-line sessions see one recoverable fault and nothing else: a damaged
    // sentence or a lost acknowledgement from the receiver, or a sentence lost on the line.
    const bool onlyRecoverable = setup.console && dice.chance(50);
    const int recoverableFault = onlyRecoverable ? dice.between(0, 2) : -1;
    const int recoverableAt = dice.between(1, 8);
    if (onlyRecoverable) {
        // Every waypoint the routes name, so that a GPX route download has their places.
        setup.waypoints = std::max(setup.waypoints, 11);
    }
    if (recoverableFault == 0) {
        setup.faults.corruptChecksum = recoverableAt;
    } else if (recoverableFault == 1) {
        setup.faults.dropAcknowledgement = recoverableAt;
    }
    SessionOutcome outcome;
    outcome.console = setup.console;
    {
        Session session(setup);
        session.line().reseed(dice.raw());
        if (recoverableFault == 2) {
            session.line().loseSentence = recoverableAt;
        }
        Referee referee(session, folder / "reference");
        session.note("seed " + std::to_string(seed) + ", " + std::to_string(setup.baud) +
                     " baud, " + std::to_string(setup.waypoints) + " waypoints, " +
                     std::to_string(setup.trackPoints) + " track points" +
                     (setup.console ? ", trawlix-cli" : ""));

        bool troubled = true;
        session.answerBox = [&dice, &troubled](const testing::ScriptedView::Message& message) {
            const bool first = !troubled || dice.chance(50);
            switch (message.buttons) {
                case app::MessageButtons::RetryCancel:
                    return first ? app::MessageAnswer::Retry : app::MessageAnswer::Cancel;
                case app::MessageButtons::OkCancel:
                    return first ? app::MessageAnswer::Ok : app::MessageAnswer::Cancel;
                default:
                    return app::MessageAnswer::Ok;
            }
        };
        session.thinkTime = [&dice, &troubled] {
            return troubled && dice.chance(40) ? dice.moment(0, 4 * kSecond) : Micros{0};
        };

        if (!onlyRecoverable && dice.chance(10)) {
            session.receiver().switchOff();
            referee.routeUploadDisturbed();
            session.atTime(dice.moment(kSecond, 30 * kSecond), "the receiver is switched on",
                           [&session] { session.receiver().switchOn(); });
        }
        const int faults = onlyRecoverable ? 0 : dice.between(0, 4);
        for (int i = 0; i < faults; ++i) {
            scheduleFault(session, referee, dice);
        }
        if (setup.console) {
            playCommandLine(session, referee, files, dice, seed, onlyRecoverable, outcome.problems);
        } else {
            playWindow(session, files, dice, seed, troubled, outcome.problems);
        }
        referee.finish();
        for (const auto& problem : referee.problems()) {
            outcome.problems.push_back(problem);
        }
        for (const auto& problem : session.problems) {
            outcome.problems.push_back(problem);
            session.note("PROBLEM: " + problem);
        }
        outcome.transfersCompleted = referee.transfersCompleted();
        outcome.virtualTime = session.time();
        outcome.steps = session.steps();
        outcome.log = session.log();
    }
    std::filesystem::remove_all(folder);
    return outcome;
}

}  // namespace trawlix::simulation
