#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/clock.h"
#include "app/form_view.h"
#include "app/observed_view.h"
#include "app/settings_store.h"
#include "app/status_texts.h"
#include "app/transfer_state.h"
#include "app/week_rollover_watch.h"
#include "common/counter16.h"
#include "link/data_kinds.h"
#include "link/gps_link.h"
#include "transfer/transfer_files.h"
#include "transfer/upload_plan.h"

namespace trawlix::transfer::gpx {
class XmlSource;
}  // namespace trawlix::transfer::gpx

namespace trawlix::app {

// The main window's logic, free of any toolkit. It reaches the screen through FormView,
// the receiver through the GPS link `Magellan`, and stored settings through SettingsStore.
// Every member lives in app/, one file for each part of the window: start-up and shut-down,
// the port and line settings, the function list, the download receiver, the uploads, the
// live NMEA fix, the fix and version labels, errors and debug lines. The transfer files and
// their formats are a library of their own (transfer/), which knows nothing of the window.
class YourForm {
  public:
    YourForm(FormView& view, link::GpsLink& magellan, SettingsStore& settings,
             std::string programFolder);
    ~YourForm();
    YourForm(const YourForm&) = delete;
    YourForm& operator=(const YourForm&) = delete;

    // --- Window fields -------------------------------------------------------------------
    std::int16_t CurrentPort = 0;
    std::string LineSettings;
    std::string PendingCommand;
    std::int16_t DebugLineCount = 0;
    common::Counter16 RouteCount;
    common::Counter16 RecordCount;
    std::int32_t WaypointFileNum = 0;
    std::string WaypointFileName;
    std::int32_t RouteFileNum = 0;
    std::string RouteFileName;
    std::int32_t TrackFileNum = 0;
    std::string TrackFileName;

    // The route sentence sent last, as the route upload shows it.
    std::string RouteEntries;
    std::int32_t RouteEntryCount = 0;
    std::int32_t RouteSeq = 0;
    std::int32_t RouteRecCount = 0;
    std::int32_t RouteNum = 0;

    CommonDialog CommonDialog1;

    // --- Start-up and shut-down ----------------------------------------------------------
    void Form_Load();
    void Form_Unload(std::int16_t& Cancel);
    void mnuExit_Click();

    // --- Port and line settings ----------------------------------------------------------
    void SetPort();
    void mnuPort_Click(std::int16_t Index);
    void mnuPortAdd_Click();
    void mnuBaud_Click(std::int16_t Index);
    void mnuOpen_Click();
    void mnuClose_Click();
    void mnuFindGps_Click();

    // --- Transfers -----------------------------------------------------------------------
    void cboFunction_Click();
    // What choosing the function list's `entry` does; a transfer asks the user for its file.
    void chooseFunction(int entry);
    void cmdReset_Click();
    void Magellan_Receive(std::string& ID, std::string& RecvLine);
    void Send_Waypoint();
    void Send_Route(bool& Start);
    void Send_Route_Message(std::int32_t& reccount, std::int32_t& seq, std::int32_t& rte,
                            std::string& wps);
    void Send_Track(bool& Start);

    // --- The transfer API: what the handlers above call once they asked the user -------------
    // A download of `kind` into `destination`, as GPX or text; one under way stops first. A
    // transfer with an observer is that observer's: its completion goes to it instead of a
    // box, and its file is not opened in a program.
    void startDownload(link::DataKind kind, const std::string& destination, bool gpx,
                       TransferObserver* observer = nullptr);
    // The upload of a plan read from `source` (a GPX file when `gpx`).
    void startUpload(transfer::UploadPlan plan, const std::string& source, bool gpx,
                     TransferObserver* observer = nullptr);
    // Reads and checks the whole file; nothing, after a box that says why, when it cannot
    // be sent.
    std::optional<transfer::UploadPlan> planUpload(transfer::UploadKind kind,
                                                   const std::string& path, bool gpx);
    // Stops the transfer under way, as Reset does.
    void stopTransfer() { cmdReset_Click(); }
    // The observed transfer is over for its observer: nothing more of it goes to it.
    void releaseObserver() { observed_.release(); }

    // --- Live display and reporting ------------------------------------------------------
    void Magellan_NMEA(std::string& RecvLine, bool& chkerr);
    void Magellan_cError(std::int16_t& cErr, std::string& eMessage, std::string& message);
    void Magellan_mDebug(std::string& message);
    void ShowFix();
    void ShowVersion();

    // Time for the status bar's rates; the system's clock unless set.
    void setClock(const Clock& clock) { clock_ = &clock; }

    // What is known of the receiver's week counter, and the correction of its track dates.
    WeekRolloverWatch& weekRollover() { return weekRollover_; }
    const WeekRolloverWatch& weekRollover() const { return weekRollover_; }

    // The open transfer files, by number.
    transfer::TransferFiles& files() { return files_; }
    // A stopped upload is still sending the rest of its route, or its end.
    bool stoppedUploadEnding() const { return owed_.ends > 0; }
    // The transfer under way, if any.
    const std::optional<Transfer>& transfer() const { return transfer_; }

    // GPX files are read through this XML reader, which the shell hands over; without one,
    // only the text files can be sent.
    void setXmlSource(transfer::gpx::XmlSource* source) { xmlSource_ = source; }

    // The rules the transfer state keeps at every moment, each one broken described; empty
    // when all hold. Tests and the simulation call it after every step.
    std::vector<std::string> transferRuleBreaches() const;

  private:
    class LinkEvents;

    // Start-up steps.
    void fillFunctionList();
    void restorePortMenu();
    void restoreBaudChoice();
    void runHandshake();

    // Settings.
    std::string readSetting(const std::string& section, const std::string& key,
                            const std::string& defaultValue);
    void saveSetting(const std::string& section, const std::string& key, const std::string& value);
    std::int16_t readStoredPort();
    std::int16_t readStoredNext();
    std::string dialogFolder();
    void checkOnlyBaudItem(int index);
    void reportCannotOpenPort();
    void clearDebugList();
    // Opens the port, keeping what the link said of a failure for the box.
    bool openPort();
    void showActivity(const std::string& text);
    void showLiveFix();
    void showPortState(bool open);
    void clearIdentity();
    void clearFix();
    // Also passes over the rest of the fix still crossing the line, for a moment.
    void clearFixAfterNmeaOff();
    void reopenAfterSearch();
    void sayWhatWasFound(const ProbeResult& receiver, const std::string& previousDevice);
    void showReceiving(const std::string& what);
    void showSending();
    void requestVersionAfterOpen();

    // The transfer under way (transfer_state.cpp): the window's fields follow it.
    void showTransferInFields();
    void endTransfer();
    bool downloadRunning() const { return transfer_ && transfer_->isDownload(); }
    bool uploadRunning() const { return transfer_ && transfer_->isUpload(); }

    // The function list.
    void downloadChosen(int entry);
    void uploadChosen(int entry);
    bool chooseFile(FileDialogMode mode);
    bool gpxChosen() const;
    // A transfer that starts takes the place of the one under way.
    void takePlaceOfRunningTransfer(int entry);
    // Asks the link for the download's records, or holds the request while a stopped
    // upload's end is owed.
    void askForDownload();
    // An upload held behind what stopped uploads owe starts once they owe nothing.
    void sendHeldUpload();
    void resumeHeldTransfer();
    void requestRecords(const std::string& command);
    void cancelOnLink();
    // The link dropped whatever it had queued (a cancel, or the port closed): nothing owed
    // will be confirmed.
    void linkQueueDropped();
    // The port closed or the line was lost: the transfer under way is over.
    void portGone();
    void lineLost(const std::string& text);

    // An RMC sentence's date beside the computer's clock (week_rollover_display.cpp).
    void noticeReceiverDate(std::string_view status, std::string_view date, std::string_view time);

    // The download receiver.
    // Each is true when the record was written to its file.
    bool WriteWaypoint();
    bool WriteHeaderRecord();
    bool WriteRouteWaypoint();
    bool WriteTrackPoint();
    // The running download's file, when it takes records of `command`; 0 otherwise.
    std::int32_t downloadFileFor(const std::string& command);
    bool writeRecordLine(const std::string& command, const std::string& line);
    void countWritten(bool written);
    // A record could not be written: the download ends with a box.
    void stopDownloadAfterWriteFailure(const std::string& why);
    void endOfDownload();
    void acknowledgement();
    void endConfirmed();
    void uploadComplete();
    std::string completionText() const;
    // Opens a downloaded file in the text editor, or a GPX file in its program.
    void showFile(const std::string& fileName, bool gpx);
    // The running download stops: its file keeps what arrived. True if one ran.
    bool stopRunningDownload();

    // The uploads.
    void sendNextStep();
    void sendStep(const transfer::UploadStep& step);
    // The upload under way stops: a route goes out whole first, then the end.
    void stopRunningUpload(int next = 0);
    void finishRoute(const Transfer& upload);
    void endUnendedTrack();
    // What a Retry or a Cancel of an unanswered sentence means for the uploads.
    void retryUnanswered(const std::string& unanswered);
    bool restartTrackUpload(bool endUnanswered);
    bool resendRouteFromItsStart(const std::string& unanswered);
    void giveUpUnanswered(const std::string& unanswered);
    // A stopped upload's end was confirmed, or will not be: what waited for it goes on.
    void stoppedUploadEnded();
    // The link refused to send (the port is closed): the transfer under way ends.
    void transferRefused();

    // GPX downloads (gpx_transfers.cpp).
    std::optional<bool> gpxWaypoint();
    std::optional<bool> gpxRouteHeader();
    std::optional<bool> gpxRouteWaypoint();
    std::optional<bool> gpxTrackPoint();
    // Writes a record into the GPX file `fileNum`; a failure stops the download.
    bool writeGpx(std::int32_t fileNum,
                  const std::function<std::optional<std::string>(transfer::gpx::Writer&)>& write);
    bool fetchingWaypointsForRoutes() const;
    bool gpxWaypointsFetched();
    std::string gpxEndedEarlyText() const;  // empty when no GPX download ends early

    ObservedView observed_;
    FormView& view_;
    link::GpsLink& Magellan;
    SettingsStore& settings_;
    std::string programFolder_;
    transfer::TransferFiles files_;
    std::optional<Transfer> transfer_;
    Owed owed_;
    bool unloaded_ = false;
    std::unique_ptr<LinkEvents> events_;

    // The status bar.
    SystemClock systemClock_;
    const Clock* clock_ = &systemClock_;
    TransferPace pace_;
    double nmeaOffAt_ = -1.0;       // when NMEA Off was chosen last; below 0 for never
    double liveFixShownAt_ = -1.0;  // when "Live fix" went to the status bar; below 0: not shown
    bool capturingOpenFailure_ = false;
    std::string openFailure_;
    transfer::gpx::XmlSource* xmlSource_ = nullptr;
    WeekRolloverWatch weekRollover_{settings_};
    double rolloverNoticeAt_ = -1.0;  // when the status bar said so; below 0: not yet
};

// The entries of the function list by their place in it.
enum FunctionEntry : int {
    kReset = 0,
    kRequestVersion = 1,
    kRequestWaypoints = 2,
    kRequestRoutes = 3,
    kRequestTracks = 4,
    kSendWaypoints = 5,
    kSendRoute = 6,
    kSendTrack = 7,
    kNmeaOn = 8,
    kNmeaOff = 9,
};

// The kind of a download or upload entry: the list holds each kind's download, then each
// kind's upload, in the order of the kinds' table.
link::DataKind kindOfEntry(int entry);
transfer::UploadKind uploadKindOf(link::DataKind kind);

// The ten entries of the function list, in list order.
inline constexpr const char* kFunctionEntries[] = {
    "Reset",          "Request Version Info", "Request Waypoints",
    "Request Routes", "Request Tracks",       "Send Waypoints to GPS",
    "Send Route",     "Send Track",           "NMEA On",
    "NMEA Off",
};

}  // namespace trawlix::app
