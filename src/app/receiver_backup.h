#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/observed_view.h"
#include "link/gps_link.h"
#include "transfer/backup.h"

namespace trawlix::app {

class YourForm;

// Runs the window core's own transfers one kind after another through its transfer API: the core
// keeps all its handling of the link, the boxes and the retries. The next kind starts only after
// the core's handlers returned, so the host hands over how to run something once they have, after
// at least `delayMs`
// (`later`).
class KindSequence : public TransferObserver {
  public:
    using Later = std::function<void(std::function<void()>, int delayMs)>;

    KindSequence(YourForm& form, Later later);
    ~KindSequence() override;
    KindSequence(const KindSequence&) = delete;
    KindSequence& operator=(const KindSequence&) = delete;

    // The user (Reset, another choice, Ctrl-C) or a failure of our own stops the run where
    // it is: the core's transfer is reset, and the kinds done so far are reported.
    void stop();
    bool finished() const { return finished_; }
    // Every kind completed.
    bool completed() const { return finished_ && done_.size() == steps_.size(); }
    // The one message that ends the run.
    const std::string& result() const { return result_; }
    // The kinds completed so far, in order.
    const std::vector<transfer::backup::Kind>& done() const { return done_; }
    // The core's completion message of each kind completed, in order.
    const std::vector<std::string>& completions() const { return completions_; }
    // Called once, when the run has finished.
    std::function<void()> onFinished;
    // Told as the transfer of each kind starts, and as it ends: completed (with the core's
    // completion text), or not.
    std::function<void(int entry, const std::string& file)> onStepStarted;
    std::function<void(bool completed, const std::string& text)> onStepEnded;

    void transferEnded(bool completed, const std::string& text) override;
    std::string statusPrefix() const override;

  protected:
    struct Step {
        transfer::backup::Kind kind;
        int entry;  // the function list's entry it stands for, for those who watch
        std::string file;
    };
    // Starts the transfer of `step` through the core's transfer API, observed by this.
    virtual void startStep(const Step& step) = 0;
    void run(std::vector<Step> steps);
    bool running(transfer::backup::Kind kind) const;
    YourForm& form() { return form_; }
    void later(std::function<void()> action) { later_(std::move(action), 0); }
    transfer::backup::Kind currentKind() const { return steps_[current_].kind; }
    std::size_t currentIndex() const { return current_; }
    virtual const char* name() const = 0;  // "Backup"
    virtual std::string resultText() = 0;
    virtual void cleanUp() {}

  private:
    void next();
    void finish();

    YourForm& form_;
    Later later_;
    std::vector<Step> steps_;
    std::size_t current_ = 0;
    bool stepRunning_ = false;
    std::vector<transfer::backup::Kind> done_;
    std::vector<std::string> completions_;
    bool finished_ = false;
    std::string result_;
};

// A backup: the three downloads, as text into files of our own that are removed at the
// end, while every record the core takes is also written into the one GPX document. The
// records are seen on their way from the link to the window.
class ReceiverBackup : public KindSequence, private link::GpsLinkListener {
  public:
    ReceiverBackup(YourForm& form, link::GpsLink& magellan, Later later);
    ~ReceiverBackup() override;

    // Creates the document and starts; the reason when the file cannot be created.
    std::optional<std::string> start(const std::string& path);
    transfer::backup::Counts counts() const;
    const std::string& path() const { return path_; }

  private:
    void Receive(std::string& ID, std::string& RecvLine) override;
    void NMEA(std::string& RecvLine, bool& chkerr) override;
    void cError(std::int16_t& cErr, std::string& eMessage, std::string& message) override;
    void mDebug(std::string& message) override;
    std::optional<std::string> write(const std::string& id);
    std::int32_t* fileOf(const std::string& id);

    const char* name() const override { return "Backup"; }
    std::string resultText() override;
    void cleanUp() override;
    void startStep(const Step& step) override;
    int recordsOf(transfer::backup::Kind kind) const;

    link::GpsLink& magellan_;
    link::GpsLinkListener* next_ = nullptr;
    std::string path_;
    transfer::backup::BackupDocument document_;
    std::vector<std::string> scratch_;
    std::optional<std::string> writeFailure_;
};

// A restore: the core's GPX uploads from the one file, kind by kind, once the whole file
// was checked (transfer::backup::checkRestore).
class ReceiverRestore : public KindSequence {
  public:
    ReceiverRestore(YourForm& form, Later later);

    void start(const std::string& path, transfer::backup::RestorePlan plan);

  private:
    const char* name() const override { return "Restore"; }
    std::string resultText() override;
    void startStep(const Step& step) override;

    std::string path_;
    transfer::backup::RestorePlan plan_;
};

}  // namespace trawlix::app
