#pragma once

#include <QObject>
#include <memory>

#include "app/receiver_backup.h"

namespace trawlix::transfer::gpx {
class XmlSource;
}

namespace trawlix::app {

class FormView;
class SettingsStore;

// "Back Up GPS..." and "Restore GPS..." of the window's File menu: the dialogs, the
// confirmation of a restore, and the one message at the end. The runs themselves are the
// toolkit-free KindSequence; this gives them the event loop.
class BackupActions : public QObject {
    Q_OBJECT

  public:
    BackupActions(FormView& screen, YourForm& form, DrivenView& driven, link::GpsLink& magellan,
                  transfer::gpx::XmlSource& xml, SettingsStore& settings);
    ~BackupActions() override;

    void backUp();
    void restore();
    // Another action of the user stops the run under way, which reports what it did.
    void stopRun();
    bool running() const { return run_ != nullptr && !run_->finished(); }

  private:
    KindSequence::Later later();
    void watch(std::unique_ptr<KindSequence> run);
    void report();
    std::string dialogFolder();

    FormView& screen_;
    YourForm& form_;
    DrivenView& driven_;
    link::GpsLink& magellan_;
    transfer::gpx::XmlSource& xml_;
    SettingsStore& settings_;
    std::unique_ptr<QObject> runContext_;  // what the run's deferred steps belong to
    std::unique_ptr<KindSequence> run_;
};

}  // namespace trawlix::app
