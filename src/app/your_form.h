#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/clock.h"
#include "app/form_view.h"
#include "app/settings_store.h"
#include "app/status_texts.h"
#include "common/counter16.h"
#include "link/gps_link.h"
#include "transfer/transfer_files.h"
#include "transfer/upload_check.h"

namespace trawlix::transfer::gpx {
class XmlSource;
struct GpxTransfers;
}  // namespace trawlix::transfer::gpx

namespace trawlix::app {

// The main window's logic, free of any toolkit. It reaches the screen through FormView,
// the receiver through the GPS link `Magellan`, and stored settings through SettingsStore.
// Its handlers are spread over the folders of the subsystems they belong to:
//   app/       start-up, shut-down, the port and line settings
//   transfer/  the function list, the download receiver and the three uploads
//   display/   the live NMEA fix, the fix and version labels, errors and debug lines
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

    // The route upload's state, kept from call to call and from upload to upload.
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
    void cmdReset_Click();
    void Magellan_Receive(std::string& ID, std::string& RecvLine);
    void Send_Waypoint();
    void Send_Route(bool& Start);
    void Send_Route_Message(std::int32_t& reccount, std::int32_t& seq, std::int32_t& rte,
                            std::string& wps);
    void Send_Track(bool& Start);

    // --- Live display and reporting ------------------------------------------------------
    void Magellan_NMEA(std::string& RecvLine, bool& chkerr);
    void Magellan_cError(std::int16_t& cErr, std::string& eMessage, std::string& message);
    void Magellan_mDebug(std::string& message);
    void ShowFix();
    void ShowVersion();

    // Time for the status bar's rates; the system's clock unless set.
    void setClock(const Clock& clock) { clock_ = &clock; }

    // The open transfer files, by number.
    transfer::TransferFiles& files() { return files_; }
    // A stopped upload is still sending the rest of its route, or its end.
    bool stoppedUploadEnding() const { return stoppedUploadEnds_ > 0; }

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

    // The function list.
    void startDownload(std::int32_t& fileNum, std::string& fileName, const std::string& command,
                       void (link::GpsLink::*request)());
    void startUpload(int entry);
    bool chooseFile(FileDialogMode mode);

    // The download receiver.
    // Each is true when the record was written to its file.
    bool WriteWaypoint();
    bool WriteHeaderRecord();
    bool WriteRouteWaypoint();
    bool WriteTrackPoint();
    bool writeRecordLine(std::int32_t& fileNum, const std::string& fileName,
                         const std::string& line);
    void countWritten(bool written);
    // A record could not be written, to a text or a GPX file: the download ends with a box.
    void stopDownloadAfterWriteFailure(std::int32_t& fileNum, const std::string& fileName,
                                       const std::string& why);
    void endOfDownload();
    void acknowledgement();
    void uploadComplete();
    void closeAndShow(std::int32_t& fileNum, const std::string& fileName);
    // Ends a transfer that failed: its file closed with what it holds, the link told.
    void abandonTransfer(std::int32_t& fileNum);

    // The uploads.
    std::optional<std::string> readUploadLine(std::int32_t fileNum);
    void sendEndOfUpload(std::int32_t& fileNum);
    void stopUpload(std::int32_t& fileNum, const std::string& fileName, const std::string& why);
    void sendRouteSentence();
    bool routeLine(const std::string& line);
    // Stops a route upload at the end of the route being sent; true if one was running.
    bool stopRouteUpload();
    // A Retry of a sentence of the upload under way that must go back further than that
    // sentence (transfer/upload_retry.cpp); true when it was taken care of.
    bool retryUploadFromItsStart(const std::string& unanswered);
    bool restartTrackUpload(bool endUnanswered);
    bool resendRouteFromItsStart(const std::string& unanswered);
    std::vector<std::string> routeSentencesToResend(const std::string& unanswered) const;
    bool routeUploadEnding() const;
    std::vector<std::string> routeSentencesSoFar() const;
    bool downloadRunning() const;
    // An upload started while a download runs takes its place.
    void stopRunningDownload();
    void takePlaceOfRunningTransfer(int entry);
    std::int32_t& uploadFileNum(int entry);
    std::string& uploadFileName(int entry);
    static transfer::UploadKind uploadKindOf(int entry);
    static const char* uploadNoun(transfer::UploadKind kind);
    // Asks the link for a download, or holds the request while a stopped upload's end waits.
    void askForDownload(void (link::GpsLink::*request)());
    // A stopped upload's end was confirmed, or will not be: what waited for it goes on.
    void stoppedUploadEnded();
    // An unanswered sentence was not sent again: it and the ends queued behind it never go
    // out.
    void uploadEndsDropped();
    // Cancels on the link, which drops whatever it had queued.
    void cancelOnLink();
    // The link dropped whatever it had queued (a cancel, or the port closed).
    void linkQueueDropped();
    // The link refused to send (the port is closed): the upload under way ends.
    void stopUploadThatSentNothing();
    // A transfer that starts takes the place of the upload under way: it ends where it is,
    // a route at the end of the route being sent.
    void stopRunningUpload(int next = 0);
    void endAwaitedBecomesStopped();

    // GPX downloads and uploads (transfer/gpx_transfers.cpp).
    bool gpxChosen() const;
    // With the download's file open: asks for the records of the GPX download `entry`.
    void startGpxDownload(int entry);
    // Opens the file the dialog named for a download, as GPX or text, in place of `fileNum`.
    bool openDownloadFile(std::int32_t& fileNum, std::string& fileName, bool gpx);
    void startGpxUpload(int entry);
    std::optional<bool> gpxWaypoint();       // nothing when the file is no GPX
    std::optional<bool> gpxRouteHeader();    // nothing when the file is no GPX
    std::optional<bool> gpxRouteWaypoint();  // nothing when the file is no GPX
    std::optional<bool> gpxTrackPoint();     // nothing when the file is no GPX
    bool gpxWaypointsFetched();
    bool gpxAcknowledged();
    void sendNextGpxRecord();
    void reportGpxEndedEarly();
    void forgetGpxTransfer();
    std::string completionText() const;

    FormView& view_;
    link::GpsLink& Magellan;
    SettingsStore& settings_;
    std::string programFolder_;
    transfer::TransferFiles files_;
    std::int32_t uploadLineNumber_ = 0;  // line of the upload file read last, for messages
    int runningUpload_ = 0;              // the function entry of the upload under way; 0 for none
    // The command of the download under way, also when a later choice (a version request)
    // took PendingCommand.
    std::string runningDownload_;
    int stoppedUploadEnds_ = 0;            // end sentences of stopped uploads not yet confirmed
    bool cancelWhenRouteEnds_ = false;     // Reset came while it was
    bool routeRestRefused_ = false;        // the link refused the rest: the port is closed
    std::vector<std::string> routeNames_;  // the entries of the route being sent, so far
    std::vector<std::string> previousRouteSentences_;  // of the route sent before it
    bool routeHeaderRead_ = false;                     // this route upload has read a Header line
    bool uploadEndAwaited_ = false;                    // an upload sent its end; not yet confirmed
    int routeAcksToPass_ = 0;
    bool trackUploadUnended_ = false;  // a track upload stopped part way, its end not sent
    void (link::GpsLink::*deferredRequest_)() =
        nullptr;  // held by askForDownload  // acknowledgements of route sentences sent again: none
                  // sends more
    int uploadFieldsBlanked_ = 0;  // text fields of this upload sent with blanks
    bool unloaded_ = false;
    std::unique_ptr<LinkEvents> events_;

    // The status bar.
    SystemClock systemClock_;
    const Clock* clock_ = &systemClock_;
    TransferPace pace_;
    std::int32_t uploadTotal_ = 0;
    std::string uploadWhat_;
    double nmeaOffAt_ = -1.0;       // when NMEA Off was chosen last; below 0 for never
    double liveFixShownAt_ = -1.0;  // when "Live fix" went to the status bar; below 0: not shown
    bool capturingOpenFailure_ = false;
    std::string openFailure_;
    transfer::gpx::XmlSource* xmlSource_ = nullptr;
    std::unique_ptr<transfer::gpx::GpxTransfers> gpx_;
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

// The ten entries of the function list, in list order.
inline constexpr const char* kFunctionEntries[] = {
    "Reset",          "Request Version Info", "Request Waypoints",
    "Request Routes", "Request Tracks",       "Send Waypoints to GPS",
    "Send Route",     "Send Track",           "NMEA On",
    "NMEA Off",
};

}  // namespace trawlix::app
