#include "app/receiver_backup.h"

#include <chrono>
#include <filesystem>
#include <utility>

#include "app/your_form.h"
#include "transfer/transfer_files.h"

namespace trawlix::app {

using transfer::backup::Kind;

KindSequence::KindSequence(YourForm& form, Later later) : form_(form), later_(std::move(later)) {}

KindSequence::~KindSequence() {
    form_.releaseObserver();
}

void KindSequence::run(std::vector<Step> steps) {
    steps_ = std::move(steps);
    current_ = 0;
    next();
}

bool KindSequence::running(Kind kind) const {
    return stepRunning_ && steps_[current_].kind == kind;
}

void KindSequence::next() {
    if (finished_) {
        return;
    }
    if (current_ >= steps_.size()) {
        finish();
        return;
    }
    const Step& step = steps_[current_];
    stepRunning_ = true;
    if (onStepStarted) {
        onStepStarted(step.entry, step.file);
    }
    startStep(step);
}

void KindSequence::transferEnded(bool completed, const std::string& text) {
    if (finished_ || !stepRunning_) {
        return;
    }
    stepRunning_ = false;
    if (onStepEnded) {
        onStepEnded(completed, text);
    }
    if (completed) {
        done_.push_back(steps_[current_].kind);
        completions_.push_back(text);
        ++current_;
        later_([this] { next(); }, 0);
        return;
    }
    // The core may still be at it (a Cancel on a box that the receiver did not answer leaves
    // a download waiting on the link): it is reset, so that the run ends with the transfer.
    later_(
        [this] {
            if (!finished_) {
                form_.cmdReset_Click();
                finish();
            }
        },
        0);
}

void KindSequence::stop() {
    if (finished_) {
        return;
    }
    form_.releaseObserver();
    if (std::exchange(stepRunning_, false) && onStepEnded) {
        onStepEnded(false, "");
    }
    form_.cmdReset_Click();
    finish();
}

void KindSequence::finish() {
    if (finished_) {
        return;
    }
    form_.releaseObserver();
    stepRunning_ = false;
    finished_ = true;
    cleanUp();
    result_ = resultText();
    if (onFinished) {
        onFinished();
    }
}

std::string KindSequence::statusPrefix() const {
    return std::string(name()) + " " + std::to_string(current_ + 1) + " of " +
           std::to_string(steps_.size()) + " \xC2\xB7 ";
}

ReceiverBackup::ReceiverBackup(YourForm& form, link::GpsLink& magellan, Later later)
    : KindSequence(form, std::move(later)), magellan_(magellan) {}

void ReceiverBackup::startStep(const Step& step) {
    form().startDownload(step.kind, step.file, false, this);
}

ReceiverBackup::~ReceiverBackup() {
    cleanUp();
}

std::optional<std::string> ReceiverBackup::start(const std::string& path) {
    path_ = path;
    document_.correction = form().weekRollover().correction();
    if (auto why = document_.create(path)) {
        return "Can't create the file " + path + ": " + *why;
    }
    next_ = magellan_.listener();
    magellan_.setListener(this);
    // The core's own file of each download, which the user never sees.
    const auto unique = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::filesystem::path folder = std::filesystem::temp_directory_path();
    std::vector<Step> steps;
    for (const Kind kind : transfer::backup::kAllKinds) {
        const std::string file =
            transfer::utf8Of(folder / ("trawlix-backup-" + std::to_string(unique) + "-" +
                                       transfer::backup::kindWord(kind) + ".txt"));
        scratch_.push_back(file);
        steps.push_back({kind, kRequestWaypoints + static_cast<int>(kind), file});
    }
    run(std::move(steps));
    return std::nullopt;
}

int ReceiverBackup::recordsOf(Kind kind) const {
    return kind == Kind::Waypoints ? document_.waypoints
           : kind == Kind::Routes  ? document_.routes
                                   : document_.trackPoints;
}

transfer::backup::Counts ReceiverBackup::counts() const {
    return {document_.waypoints, document_.routes, document_.trackPoints};
}

std::int32_t* ReceiverBackup::fileOf(const std::string& id) {
    const link::TransferState& kinds = magellan_.TransferState();
    if (id == kinds.WaypointKind && running(Kind::Waypoints)) {
        return &form().WaypointFileNum;
    }
    if ((id == kinds.RouteKind || id == kinds.RouteWaypointKind) && running(Kind::Routes)) {
        return &form().RouteFileNum;
    }
    if (id == kinds.TrackPointKind && running(Kind::Tracks)) {
        return &form().TrackFileNum;
    }
    return nullptr;
}

// A record goes into the document when the core kept it in its own file: the core alone
// decides which records belong to the download (not those a stopped transfer left behind).
void ReceiverBackup::Receive(std::string& ID, std::string& RecvLine) {
    std::int32_t* file = fileOf(ID);
    const std::int32_t before = file != nullptr ? *file : 0;
    if (next_ != nullptr) {
        next_->Receive(ID, RecvLine);
    }
    if (before == 0 || *file != before || writeFailure_) {
        return;
    }
    if ((writeFailure_ = write(ID))) {
        later([this] { stop(); });
    }
}

std::optional<std::string> ReceiverBackup::write(const std::string& id) {
    const link::TransferState& kinds = magellan_.TransferState();
    if (id == kinds.WaypointKind) {
        return document_.waypoint(magellan_.WaypointRecord());
    }
    if (id == kinds.RouteKind) {
        return document_.routeHeader(magellan_.HeaderRecord());
    }
    if (id == kinds.RouteWaypointKind) {
        return document_.routeEntry(magellan_.WaypointRecord());
    }
    return document_.trackPoint(magellan_.TrackPointRecord());
}

void ReceiverBackup::NMEA(std::string& RecvLine, bool& chkerr) {
    if (next_ != nullptr) {
        next_->NMEA(RecvLine, chkerr);
    }
}
void ReceiverBackup::cError(std::int16_t& cErr, std::string& eMessage, std::string& message) {
    if (next_ != nullptr) {
        next_->cError(cErr, eMessage, message);
    }
}
void ReceiverBackup::mDebug(std::string& message) {
    if (next_ != nullptr) {
        next_->mDebug(message);
    }
}

void ReceiverBackup::cleanUp() {
    if (next_ != nullptr) {
        magellan_.setListener(next_);
        next_ = nullptr;
    }
    document_.close();
    for (const std::string& file : scratch_) {
        std::error_code ec;
        std::filesystem::remove(transfer::pathFromUtf8(file), ec);
    }
    scratch_.clear();
}

std::string ReceiverBackup::resultText() {
    const std::string result =
        transfer::backup::backupResult(path_, counts(), done(), document_.unplaced);
    return writeFailure_
               ? "Can't write to the file " + path_ + ": " + *writeFailure_ + ". " + result
               : result;
}

ReceiverRestore::ReceiverRestore(YourForm& form, Later later)
    : KindSequence(form, std::move(later)) {}

// The restore's plan of each kind was made when the whole file was checked.
void ReceiverRestore::startStep(const Step& step) {
    form().startUpload(plan_.plans.at(step.kind), step.file, true, this);
}

void ReceiverRestore::start(const std::string& path, transfer::backup::RestorePlan plan) {
    path_ = path;
    plan_ = std::move(plan);
    std::vector<Step> steps;
    for (const Kind kind : plan_.kinds) {
        steps.push_back({kind, kSendWaypoints + static_cast<int>(kind), path});
    }
    run(std::move(steps));
}

std::string ReceiverRestore::resultText() {
    return transfer::backup::restoreResult(path_, plan_, done(), completions());
}

}  // namespace trawlix::app
