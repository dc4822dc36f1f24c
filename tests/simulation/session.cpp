#include "simulation/session.h"

#include <algorithm>
#include <cstdio>

#include "cli/console_run.h"

namespace trawlix::simulation {
namespace {

constexpr Micros kReceiverTick = 50 * kMillisecond;
// 2026-12-07 12:00:00 UTC: the day the receiver's fix carries, whatever the wall clock says.
constexpr std::time_t kSessionDay = 1796644800;

sim::Clock::time_point receiverTime(Micros now) {
    return sim::Clock::time_point(std::chrono::microseconds(now));
}

std::string printable(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        }
    }
    return text;
}

std::string answerText(app::MessageAnswer answer) {
    return std::string("answer: ") + (answer == app::MessageAnswer::Ok      ? "OK"
                                      : answer == app::MessageAnswer::Retry ? "Retry"
                                                                            : "Cancel");
}

std::FILE* nowhere() {
    static std::FILE* const file = std::fopen("/dev/null", "w");
    return file;
}

}  // namespace

std::string secondsText(Micros time) {
    char text[32];
    std::snprintf(text, sizeof text, "%8.3f", static_cast<double>(time) / kSecond);
    return text;
}

// The link's events, seen on their way to the window.
class Session::Events : public link::GpsLinkListener {
  public:
    explicit Events(Session& session) : session_(session) {}
    void Receive(std::string& ID, std::string& RecvLine) override {
        seen("Receive " + ID);
        session_.form_->Magellan_Receive(ID, RecvLine);
    }
    void NMEA(std::string& RecvLine, bool& chkerr) override {
        seen("NMEA");
        session_.form_->Magellan_NMEA(RecvLine, chkerr);
    }
    void cError(std::int16_t& cErr, std::string& eMessage, std::string& message) override {
        seen("cError " + std::to_string(cErr) + " " + eMessage);
        session_.form_->Magellan_cError(cErr, eMessage, message);
    }
    void mDebug(std::string& message) override {
        seen("mDebug");
        if (message.rfind("> ", 0) != 0 && message.rfind("< ", 0) != 0) {
            session_.note("link: " + message);
        }
        session_.form_->Magellan_mDebug(message);
    }

  private:
    void seen(const std::string& kind) {
        const bool whileClosed = session_.closedByUser_ && session_.userActing_ == 0;
        if (session_.onLinkEvent) {
            session_.onLinkEvent(kind, whileClosed);
        }
    }
    Session& session_;
};

// trawlix-cli's view, each box also kept in the scripted view's list, where the referee and
// the scenarios read them.
class Session::Console : public cli::ConsoleView {
  public:
    explicit Console(Session& session)
        : cli::ConsoleView(nowhere(), nowhere(), false), session_(session) {}
    app::MessageAnswer showMessage(const std::string& text, app::MessageButtons buttons,
                                   app::MessageKind kind) override {
        session_.view_.messages.push_back({text, buttons, kind, {}});
        session_.boxOpened(session_.view_.messages.back());
        const app::MessageAnswer answer = cli::ConsoleView::showMessage(text, buttons, kind);
        session_.note(answerText(answer));
        return answer;
    }

  private:
    Session& session_;
};

Session::Session(Setup setup)
    : setup_(std::move(setup)),
      line_(setup_.baud, 1),
      receiver_(
          setup_.store ? *setup_.store : sim::exampleStore(setup_.waypoints, setup_.trackPoints),
          setup_.faults) {
    receiver_.setUtcClock([](sim::Clock::time_point at) {
        return kSessionDay +
               static_cast<std::time_t>(
                   std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count());
    });
    settings_.values["Port/Port"] = "2";
    settings_.values["Port/Settings"] = setup_.baud == 9600 ? "9600,N,8,1" : "4800,N,8,1";
    makeProgram();
}

void Session::makeProgram() {
    ++program_;
    link_ = std::make_unique<link::TransportLink>(*this);
    if (setup_.console) {
        console_ = std::make_unique<Console>(*this);
    }
    form_ =
        std::make_unique<app::YourForm>(console_ ? static_cast<app::FormView&>(*console_) : view_,
                                        *link_, settings_, setup_.folder.string());
    makeBackupActions();
    form_->setXmlSource(&xml_);
    form_->setClock(*this);
    events_ = std::make_unique<Events>(*this);
    link_->setListener(events_.get());
    view_.whileMessageOpen = [this](const testing::ScriptedView::Message& message) {
        boxOpened(message);
        ++boxesOpen_;
        const Micros think = thinkTime ? thinkTime() : 0;
        if (think > 0) {
            advance(now_ + think, {}, false);
        }
        --boxesOpen_;
        const app::MessageAnswer answer =
            answerBox
                ? answerBox(message)
                : (message.buttons == app::MessageButtons::RetryCancel ? app::MessageAnswer::Retry
                                                                       : app::MessageAnswer::Ok);
        note(answerText(answer));
        view_.answers.push_front(answer);
    };
    view_.onClose = [this] {
        std::int16_t cancel = 0;
        form_->Form_Unload(cancel);
    };
}

// A copy: a box opened meanwhile grows the list the message came from.
void Session::boxOpened(testing::ScriptedView::Message message) {
    note("box: " + message.text);
    if (onBox) {
        onBox(message);
    }
}

// A backup's listener stands between the link and the window: runs go before the link.
void Session::endPrograms() {
    view_.whileMessageOpen = nullptr;
    commandRun_.reset();
    backups_.reset();
    link_->setListener(nullptr);
    form_.reset();
    console_.reset();
    link_.reset();
}

void Session::restartProgram() {
    note("the program is killed and started again");
    endPrograms();
    hostOpen_ = false;
    wakeAt_.reset();
    closedByUser_ = false;
    view_ = testing::ScriptedView();
    makeProgram();
    start();
}

Session::~Session() {
    endPrograms();
}

void Session::note(const std::string& line) {
    if (setup_.log) {
        log_.push_back(secondsText(now_) + "  " + line);
    }
}

// --- Time ------------------------------------------------------------------------------------

void Session::runFor(Micros duration) {
    advance(now_ + duration, {}, true);
}

bool Session::runUntil(const std::function<bool()>& done, Micros limit) {
    return advance(now_ + limit, done, true);
}

void Session::waitUntil(const std::function<bool()>& done, link::Millis deadline) {
    advance(deadline * kMillisecond, done, false);
}

void Session::atTime(Micros at, std::string what, std::function<void()> action) {
    world_.push({at, order_++, std::move(what), std::move(action)});
}

void Session::userAt(Micros at, std::string what, std::function<void()> action) {
    user_.push({at, order_++, std::move(what), std::move(action)});
}

void Session::clearSchedule() {
    world_ = TimedQueue();
    user_ = TimedQueue();
}

Micros Session::nextMoment(bool userMayAct) const {
    Micros next = nextReceiverTick_;
    const Micros arrival = line_.nextArrival();
    if (arrival >= 0) {
        next = std::min(next, arrival);
    }
    if (wakeAt_) {
        next = std::min(next, *wakeAt_ * kMillisecond);
    }
    if (!world_.empty()) {
        next = std::min(next, world_.top().at);
    }
    if (userMayAct && !user_.empty()) {
        next = std::min(next, user_.top().at);
    }
    return std::max(next, now_);
}

bool Session::advance(Micros limit, const std::function<bool()>& done, bool userMayAct) {
    for (;;) {
        if (done && done()) {
            return true;
        }
        if (now_ >= limit) {
            return false;
        }
        now_ = std::min(nextMoment(userMayAct), limit);
        step(userMayAct);
    }
}

void Session::step(bool userMayAct) {
    ++steps_;
    while (!world_.empty() && world_.top().at <= now_) {
        Timed event = world_.top();
        world_.pop();
        note("world: " + event.what);
        event.action();
    }
    const std::string toReceiver = garbledIfWrongSpeed(line_.arrivedAtReceiver(now_));
    if (!toReceiver.empty()) {
        logWire("> ", toReceiver);
        receiver_.receive(toReceiver, receiverTime(now_));
    }
    if (now_ >= nextReceiverTick_) {
        receiver_.tick(receiverTime(now_));
        nextReceiverTick_ = now_ + kReceiverTick;
    }
    if (receiver_.hungUp() && !unplugged_) {
        hangUp();
    }
    const std::string fromReceiver = receiver_.takeOutput();
    if (!fromReceiver.empty() && !unplugged_) {
        line_.writeFromReceiver(fromReceiver, now_);
    }
    const std::string toHost = garbledIfWrongSpeed(line_.arrivedAtHost(now_));
    if (!toHost.empty() && hostOpen_) {
        logWire("< ", toHost);
        link_->bytesArrived(toHost);
    }
    if (wakeAt_ && *wakeAt_ * kMillisecond <= now_) {
        wakeAt_.reset();
        link_->wakeUp();
    }
    if (userMayAct && !user_.empty() && user_.top().at <= now_) {
        Timed action = user_.top();
        user_.pop();
        userAction(action.what, action.action);
    }
    for (const std::string& fault : line_.faultLog) {
        note("line: " + fault);
    }
    line_.faultLog.clear();
    if (afterStep) {
        afterStep();
    }
}

// At another speed than the receiver's, each byte reads as some other byte: never a "$" or
// a line end, so nothing of it makes a sentence.
std::string Session::garbledIfWrongSpeed(std::string bytes) const {
    if (wrongSpeed_) {
        for (char& c : bytes) {
            c = static_cast<char>(0x80 | (static_cast<unsigned char>(c) * 7));
        }
    }
    return bytes;
}

void Session::logWire(const char* direction, std::string_view bytes) {
    if (!setup_.log) {
        return;
    }
    std::string& pending = direction[0] == '>' ? wireToReceiver_ : wireToHost_;
    for (const char c : bytes) {
        if (c == '\n' || c == '\r') {
            if (!pending.empty()) {
                note(direction + printable(pending));
                pending.clear();
            }
        } else if (pending.size() < 120) {
            pending += c;
        }
    }
}

// --- The world -------------------------------------------------------------------------------

void Session::hangUp() {
    unplugged_ = true;
    line_.cut();
    if (hostOpen_) {
        link_->lineFailed("the device was unplugged");
    }
}

void Session::plugBackIn() {
    unplugged_ = false;
}

// --- The user --------------------------------------------------------------------------------

void Session::userAction(const std::string& what, const std::function<void()>& action) {
    note("user: " + what);
    ++userActing_;
    stopRun();
    action();
    --userActing_;
}

void Session::start() {
    userAction("start", [this] { form_->Form_Load(); });
}

void Session::choose(int entry, const std::string& file) {
    const std::string what = std::string("choose \"") +
                             app::kFunctionEntries[static_cast<std::size_t>(entry)] + "\"" +
                             (file.empty() ? "" : " " + file);
    userAction(what, [&] {
        const std::string chosen = file.empty() ? "" : path(file);
        if (onChoose) {
            onChoose(entry, chosen);
        }
        const bool gpx = chosen.size() > 4 && chosen.substr(chosen.size() - 4) == ".gpx";
        if (console_) {
            const bool transfer = entry >= app::kRequestWaypoints && entry <= app::kSendTrack;
            if (transfer && !chosen.empty()) {
                cli::startTransfer(
                    *form_, entry, chosen,
                    gpx ? cli::CliOptions::Format::Gpx : cli::CliOptions::Format::Text);
            } else {
                form_->chooseFunction(entry);
            }
            return;
        }
        if (!chosen.empty()) {
            view_.fileAnswers.push_back(chosen);
            view_.fileTypeAnswers.push_back(gpx ? app::kGpxFilterIndex : app::kTextFilterIndex);
        }
        view_.choose(entry);
        form_->cboFunction_Click();
        view_.fileAnswers.clear();
        view_.fileTypeAnswers.clear();
    });
}

void Session::interrupt(bool upload) {
    userAction("Ctrl-C", [&] {
        if (onChoose) {
            onChoose(app::kReset, "");
        }
        cli::stopTransfer(*form_, upload, [this](const std::function<bool()>& ending) {
            constexpr Micros kRouteEnd = 30 * kSecond;
            advance(
                now_ + kRouteEnd, [&] { return !ending(); }, false);
        });
    });
}

void Session::portChanging() {
    if (onPortChange) {
        onPortChange();
    }
}

// A port or speed chosen opens the port with it, also one the user had closed.
void Session::choosePort(std::int16_t port) {
    userAction("choose port " + std::to_string(port), [&] {
        portChanging();
        closedByUser_ = false;
        form_->mnuPort_Click(port);
    });
}

void Session::chooseBaud(int index) {
    userAction(std::string("choose ") + (index == 0 ? "4800" : "9600") + " baud", [&] {
        portChanging();
        closedByUser_ = false;
        form_->mnuBaud_Click(static_cast<std::int16_t>(index));
    });
}

std::string Session::timeOfDay() const {
    const auto second = static_cast<int>(now_ / kSecond);
    char text[16];
    std::snprintf(text, sizeof text, "12:%02d:%02d", second / 60 % 60, second % 60);
    return text;
}

cli::ConsoleView& Session::consoleView() {
    return *console_;
}

const app::FormView& Session::shownView() const {
    return console_ ? static_cast<const app::FormView&>(*console_) : view_;
}

std::string Session::activity() const {
    if (console_) {
        return console_->activity;
    }
    const auto it = view_.status.find(app::StatusArea::Activity);
    return it == view_.status.end() ? std::string() : it->second;
}

void Session::closePort() {
    userAction("close the port", [this] {
        portChanging();
        closedByUser_ = true;
        form_->mnuClose_Click();
    });
}

void Session::openPort() {
    userAction("open the port", [this] {
        closedByUser_ = false;
        form_->mnuOpen_Click();
    });
}

// --- Backup and restore ------------------------------------------------------------------

void Session::stopRun() {
    if (backups_) {
        backups_->stopRun();
    }
}

app::KindSequence::Later Session::later() {
    return [this, program = program_](std::function<void()> action, int delayMs) {
        atTime(now_ + delayMs * kMillisecond, "the backup or restore goes on",
               [this, program, action = std::move(action)] {
                   if (program == program_) {
                       action();
                   }
               });
    };
}

// The window's own "Back Up GPS..." and "Restore GPS...". Their transfers reach the referee
// as the user's own choices would, and the completion box that the driver takes instead of
// the screen as a box like any other.
void Session::makeBackupActions() {
    app::FormView& screen = console_ ? static_cast<app::FormView&>(*console_) : view_;
    backups_ =
        std::make_unique<app::BackupActions>(screen, *form_, *link_, xml_, settings_, later());
    backups_->onRunStarted = [this](app::KindSequence& run) { watchRun(run); };
    backups_->onRunFinished = [this](app::KindSequence& run) {
        if (onRunFinished) {
            onRunFinished(run);
        }
    };
}

// The referee sees a run's steps as the user's own choices.
void Session::watchRun(app::KindSequence& run) {
    // A backup is judged by the one document it ends with: the user never sees the
    // completion of its steps.
    const bool backup = dynamic_cast<const app::ReceiverBackup*>(&run) != nullptr;
    run.onStepStarted = [this](int entry, const std::string& file) {
        note(std::string("step \"") + app::kFunctionEntries[static_cast<std::size_t>(entry)] +
             "\" " + file);
        if (onChoose) {
            onChoose(entry, file);
        }
    };
    run.onStepEnded = [this, backup](bool completed, const std::string& text) {
        if (completed && !backup && onBox) {
            onBox({text, app::MessageButtons::Ok, app::MessageKind::TransferComplete, {}});
        } else if (onChoose) {
            onChoose(app::kReset, "");
        }
    };
}

app::KindSequence* Session::commandLineRun(bool backup, const std::string& file) {
    std::unique_ptr<app::KindSequence> run;
    if (backup) {
        auto made = std::make_unique<app::ReceiverBackup>(*form_, *link_, later());
        watchRun(*made);
        if (const auto why = made->start(path(file))) {
            note("backup refused: " + *why);
            return nullptr;
        }
        run = std::move(made);
    } else {
        transfer::backup::RestoreCheck check = transfer::backup::checkRestore(path(file), xml_, {});
        if (!check.plan) {
            note("restore refused: " + check.error);
            return nullptr;
        }
        auto made = std::make_unique<app::ReceiverRestore>(*form_, later());
        watchRun(*made);
        made->start(path(file), std::move(*check.plan));
        run = std::move(made);
    }
    commandRun_ = std::move(run);
    commandRun_->onFinished = [this] {
        if (onRunFinished) {
            onRunFinished(*commandRun_);
        }
    };
    return commandRun_.get();
}

void Session::backUp(const std::string& file) {
    userAction("back up to " + file, [&] {
        view_.fileAnswers.push_back(path(file));
        backups_->backUp();
        view_.fileAnswers.clear();
    });
}

void Session::restore(const std::string& file) {
    userAction("restore from " + file, [&] {
        view_.fileAnswers.push_back(path(file));
        backups_->restore();
        view_.fileAnswers.clear();
    });
}

// --- The transport ---------------------------------------------------------------------------

std::string Session::deviceOf(std::int16_t port) const {
    return "/dev/simulated" + std::to_string(port);
}

bool Session::open(const std::string& device, const link::LineSettings& settings,
                   std::string& failure) {
    if (unplugged_) {
        failure = "Can't open " + device + ": there is no such device. Is the receiver plugged in?";
        return false;
    }
    line_.setBaud(settings.baud);
    wrongSpeed_ = settings.baud != setup_.baud;
    hostOpen_ = true;
    wireToHost_.clear();
    note("port opened");
    return true;
}

void Session::close(bool /*flush: what was written is on the line already*/) {
    hostOpen_ = false;
    note("port closed");
}

bool Session::write(std::string_view bytes, std::string& failure) {
    if (!hostOpen_) {
        problems.push_back("bytes written while the port was closed: " + printable(bytes));
        failure = "the port is not open";
        return false;
    }
    if (unplugged_) {
        failure = "Input/output error";
        return false;
    }
    line_.writeFromHost(bytes, now_);
    return true;
}

}  // namespace trawlix::simulation
