#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/receiver_backup.h"

namespace trawlix::transfer::gpx {
class XmlSource;
}

namespace trawlix::app {

class FormView;
class SettingsStore;

// "Back Up GPS..." and "Restore GPS..." of the window's File menu: the dialogs, the
// confirmation of a restore, and the one message at the end. The host's event loop runs
// the deferred steps (`later`); those of a run that has ended are dropped.
class BackupActions {
  public:
    BackupActions(FormView& screen, YourForm& form, link::GpsLink& magellan,
                  transfer::gpx::XmlSource& xml, SettingsStore& settings,
                  KindSequence::Later later);
    ~BackupActions();
    BackupActions(const BackupActions&) = delete;
    BackupActions& operator=(const BackupActions&) = delete;

    void backUp();
    void restore();
    // Another action of the user stops the run under way, which reports what it did.
    void stopRun();
    bool running() const { return run_ != nullptr && !run_->finished(); }

    // Told of a run before its first step, and once it has finished, before its message.
    std::function<void(KindSequence&)> onRunStarted;
    std::function<void(KindSequence&)> onRunFinished;

  private:
    KindSequence::Later later();
    void adopt(std::unique_ptr<KindSequence> run);
    void report();
    std::string dialogFolder();

    FormView& screen_;
    YourForm& form_;
    link::GpsLink& magellan_;
    transfer::gpx::XmlSource& xml_;
    SettingsStore& settings_;
    KindSequence::Later later_;
    int generation_ = 0;  // counts the runs, so that an ended run's deferred steps are dropped
    std::unique_ptr<KindSequence> run_;
};

}  // namespace trawlix::app
