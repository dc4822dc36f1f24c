#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <queue>
#include <string>
#include <vector>

#include "app/backup_actions.h"
#include "app/clock.h"
#include "app/your_form.h"
#include "cli/console_view.h"
#include "link/link_transport.h"
#include "link/transport_link.h"
#include "qt/qt_xml_source.h"
#include "sim/simulated_receiver.h"
#include "simulation/virtual_line.h"
#include "support/scripted_view.h"

// A whole session in virtual time: the window's core on a scripted view, the GPS link on a
// simulated serial line, and the simulated receiver at the other end. Nothing sleeps and
// nothing reads a clock, so a session plays out the same every time it is run.
namespace trawlix::simulation {

class Session : public link::LinkTransport, public app::Clock {
  public:
    struct Setup {
        int baud = 4800;
        int waypoints = 12;
        int trackPoints = 40;
        std::optional<sim::ReceiverStore> store;  // instead of the example store
        sim::Faults faults;                       // the receiver's own, counted
        std::filesystem::path folder;             // transfer files go here
        bool log = false;                         // keep an event log
        // The user is trawlix-cli: its console view answers the boxes, as a script would.
        bool console = false;
    };

    explicit Session(Setup setup);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // --- Time --------------------------------------------------------------------------------
    Micros time() const { return now_; }
    int baud() const { return setup_.baud; }  // the receiver's
    // Runs the world, and the user's scheduled actions, for `duration`.
    void runFor(Micros duration);
    // Runs until `done` holds or `limit` passes; true if it held.
    bool runUntil(const std::function<bool()>& done, Micros limit);

    // Something that happens in the world at `at`: a fault, a receiver switched off. It
    // happens also while the user cannot act (inside a box or the link set-up).
    void atTime(Micros at, std::string what, std::function<void()> action);
    // Something the user does at `at`, once no box is open.
    void userAt(Micros at, std::string what, std::function<void()> action);
    // Forgets what was scheduled and has not happened yet.
    void clearSchedule();

    // --- The world ---------------------------------------------------------------------------
    sim::SimulatedReceiver& receiver() { return receiver_; }
    VirtualLine& line() { return line_; }
    // The cable pulled: everything in transit lost, the device gone until plugged back in.
    void hangUp();
    void plugBackIn();
    bool pluggedIn() const { return !unplugged_; }

    // --- The user ----------------------------------------------------------------------------
    app::YourForm& form() { return *form_; }
    testing::ScriptedView& view() { return view_; }
    link::TransportLink& link() { return *link_; }
    void start();  // Form_Load: opens the port and greets the receiver
    // The program killed and started again on the same line and receiver.
    void restartProgram();
    // Chooses an entry of the function list; downloads and uploads take `file` from the
    // file dialog, as GPX when its name ends in ".gpx", else as text.
    void choose(int entry, const std::string& file = "");
    void closePort();
    void openPort();
    void choosePort(std::int16_t port);
    void chooseBaud(int index);  // 0: 4800, 1: 9600
    // "Back Up GPS..." into `file`, and "Restore GPS..." from it (its confirmation box is
    // answered as any box). Any other action of the user stops them, as in the window.
    void backUp(const std::string& file);
    void restore(const std::string& file);
    // trawlix-cli's `backup FILE` or `restore FILE` on a console session, started as the
    // command line starts them; nothing when the file is refused first.
    app::KindSequence* commandLineRun(bool backup, const std::string& file);
    // trawlix-cli's Ctrl-C part way through a transfer: Reset, and for an upload the wait
    // for the end of the route being sent.
    void interrupt(bool upload);
    bool console() const { return setup_.console; }
    // The view the window's core writes to: the scripted one, or trawlix-cli's console.
    const app::FormView& shownView() const;
    cli::ConsoleView& consoleView();
    std::string activity() const;
    std::string path(const std::string& name) const { return (setup_.folder / name).string(); }
    // How each box is answered and how long the user looks at it first; by default the
    // first button at once.
    std::function<app::MessageAnswer(const testing::ScriptedView::Message&)> answerBox;
    std::function<Micros()> thinkTime;

    // --- What happened -----------------------------------------------------------------------
    bool portOpen() const { return hostOpen_; }
    bool closedByUser() const { return closedByUser_; }
    // Called after every step, at every box as it opens, and as the user chooses an entry
    // (before the window acts on it).
    std::function<void()> afterStep;
    std::function<void(const testing::ScriptedView::Message&)> onBox;
    std::function<void(int entry, const std::string& file)> onChoose;
    // The user closes the port or chooses another port or speed (before the window acts).
    std::function<void()> onPortChange;
    // A backup or restore that finished, before its one message shows.
    std::function<void(app::KindSequence&)> onRunFinished;
    // Link events, each with whether the user had closed the port and was not acting.
    std::function<void(const std::string& kind, bool whileClosed)> onLinkEvent;
    std::vector<std::string> problems;  // broken rules seen by the session itself
    void note(const std::string& line);
    const std::vector<std::string>& log() const { return log_; }
    bool logging() const { return setup_.log; }
    std::uint64_t steps() const { return steps_; }

    // --- The transport -----------------------------------------------------------------------
    std::string deviceOf(std::int16_t port) const override;
    bool open(const std::string& device, const link::LineSettings& settings,
              std::string& failure) override;
    void close(bool flush) override;
    bool deviceIsOpen() const override { return hostOpen_; }
    bool write(std::string_view bytes, std::string& failure) override;
    void armWakeUp(std::optional<link::Millis> at) override { wakeAt_ = at; }
    link::Millis now() const override { return now_ / kMillisecond; }
    void waitUntil(const std::function<bool()>& done, link::Millis deadline) override;

    // --- The window's clock: virtual time too --------------------------------------------
    double seconds() const override { return static_cast<double>(now_) / kSecond; }
    std::string timeOfDay() const override;

  private:
    class Events;
    class Console;
    struct Timed {
        Micros at;
        std::uint64_t order;
        std::string what;
        std::function<void()> action;
        bool operator>(const Timed& other) const {
            return at != other.at ? at > other.at : order > other.order;
        }
    };
    using TimedQueue = std::priority_queue<Timed, std::vector<Timed>, std::greater<>>;

    void makeProgram();
    bool advance(Micros limit, const std::function<bool()>& done, bool userMayAct);
    void step(bool userMayAct);
    Micros nextMoment(bool userMayAct) const;
    void userAction(const std::string& what, const std::function<void()>& action);
    void boxOpened(testing::ScriptedView::Message message);
    void portChanging();
    void logWire(const char* direction, std::string_view bytes);
    std::string garbledIfWrongSpeed(std::string bytes) const;
    void stopRun();
    void makeBackupActions();
    void watchRun(app::KindSequence& run);
    app::KindSequence::Later later();
    void endPrograms();

    Setup setup_;
    Micros now_ = 0;
    VirtualLine line_;
    sim::SimulatedReceiver receiver_;
    Micros nextReceiverTick_ = 0;
    std::optional<link::Millis> wakeAt_;
    bool hostOpen_ = false;
    bool wrongSpeed_ = false;  // the port open at another speed than the receiver's
    bool unplugged_ = false;
    bool closedByUser_ = false;
    int userActing_ = 0;
    int boxesOpen_ = 0;
    std::uint64_t order_ = 0;
    std::uint64_t steps_ = 0;
    TimedQueue world_;
    TimedQueue user_;
    std::vector<std::string> log_;
    std::string wireToHost_;
    std::string wireToReceiver_;

    testing::ScriptedView view_;  // also keeps the boxes the console shows
    std::unique_ptr<Console> console_;
    qt::QtXmlSource xml_;
    testing::MemorySettings settings_;
    std::unique_ptr<link::TransportLink> link_;
    std::unique_ptr<app::YourForm> form_;
    std::unique_ptr<Events> events_;
    std::unique_ptr<app::BackupActions> backups_;
    std::unique_ptr<app::KindSequence> commandRun_;  // trawlix-cli's backup or restore
    // Counts the program's starts: a killed program's deferred steps are not run.
    int program_ = 0;
};

// Virtual time as text: "12.345".
std::string secondsText(Micros time);

}  // namespace trawlix::simulation
