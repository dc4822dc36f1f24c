#include "app/backup_actions.h"

#include <ctime>

#include "app/form_view.h"
#include "app/settings_store.h"
#include "app/your_form.h"
#include "transfer/gpx_convert.h"

namespace trawlix::app {
namespace {
constexpr const char* kGpxFilter = "GPX files (*.gpx)|*.gpx";
}

BackupActions::BackupActions(FormView& screen, YourForm& form, link::GpsLink& magellan,
                             transfer::gpx::XmlSource& xml, SettingsStore& settings,
                             KindSequence::Later later)
    : screen_(screen),
      form_(form),
      magellan_(magellan),
      xml_(xml),
      settings_(settings),
      later_(std::move(later)) {}

BackupActions::~BackupActions() = default;

std::string BackupActions::dialogFolder() {
    return settings_.GetSetting(kSettingsApplication, "Path", "Path", "");
}

KindSequence::Later BackupActions::later() {
    return [this, generation = generation_](std::function<void()> action, int delayMs) {
        later_(
            [this, generation, action = std::move(action)] {
                if (generation == generation_) {
                    action();
                }
            },
            delayMs);
    };
}

void BackupActions::backUp() {
    if (running()) {
        return;
    }
    const std::time_t now = std::time(nullptr);
    const std::string name = transfer::backup::defaultBackupName(*std::localtime(&now));
    const std::string folder = dialogFolder();
    CommonDialog dialog;
    dialog.InitDir = folder.empty() ? name : folder + "/" + name;
    dialog.Filter = kGpxFilter;
    dialog.Flags = kOverwritePrompt;
    screen_.showFileDialog(FileDialogMode::Save, dialog);
    if (dialog.FileName.empty()) {
        return;
    }
    if (!transfer::gpx::isGpxName(dialog.FileName)) {
        dialog.FileName += ".gpx";
    }
    auto backup = std::make_unique<ReceiverBackup>(form_, magellan_, later());
    ReceiverBackup& started = *backup;
    adopt(std::move(backup));
    if (const auto why = started.start(dialog.FileName)) {
        run_.reset();
        ++generation_;
        screen_.showMessage(*why, MessageButtons::Ok, MessageKind::FileFailure);
    }
}

void BackupActions::restore() {
    if (running()) {
        return;
    }
    CommonDialog dialog;
    dialog.InitDir = dialogFolder();
    dialog.Filter = kGpxFilter;
    screen_.showFileDialog(FileDialogMode::Open, dialog);
    if (dialog.FileName.empty()) {
        return;
    }
    transfer::backup::RestoreCheck check =
        transfer::backup::checkRestore(dialog.FileName, xml_, {});
    if (!check.plan) {
        screen_.showMessage(check.error + " Nothing was sent.", MessageButtons::Ok,
                            MessageKind::FileFailure);
        return;
    }
    const std::string question = "Restore the GPS from " + dialog.FileName + "?\r\nThis sends " +
                                 transfer::backup::restoreSummary(*check.plan) + ".";
    if (screen_.showMessage(question, MessageButtons::OkCancel, MessageKind::Information) !=
        MessageAnswer::Ok) {
        return;
    }
    auto restore = std::make_unique<ReceiverRestore>(form_, later());
    ReceiverRestore& started = *restore;
    adopt(std::move(restore));
    started.start(dialog.FileName, std::move(*check.plan));
}

// The message waits until the run's last handlers have returned.
void BackupActions::adopt(std::unique_ptr<KindSequence> run) {
    run_ = std::move(run);
    run_->onFinished = [this] { later()([this] { report(); }, 0); };
    if (onRunStarted) {
        onRunStarted(*run_);
    }
}

void BackupActions::stopRun() {
    if (running()) {
        run_->stop();
    }
}

void BackupActions::report() {
    if (run_ == nullptr) {
        return;
    }
    if (onRunFinished) {
        onRunFinished(*run_);
    }
    const bool completed = run_->completed();
    const std::string text = run_->result();
    run_.reset();
    ++generation_;
    screen_.showStatus(StatusArea::Activity, "Ready");
    screen_.showMessage(text, MessageButtons::Ok,
                        completed ? MessageKind::TransferComplete : MessageKind::LineFailure);
}

}  // namespace trawlix::app
