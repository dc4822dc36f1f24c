#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/detection.h"

namespace trawlix::app {

// The labels whose captions the window's logic writes or reads.
enum class Label {
    ProductId,  // lblProductID
    GpsDesc,    // lblGPSDesc
    Version,    // lblVersion
    Lat,        // lbllat
    Lon,        // lbllon
    Alt,        // lblalt
    Hdop,       // lblhdop
    Date,       // lbldate
    Time,       // lblTime
};

enum class MessageButtons { Ok, OkCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Retry };

// What a message box reports, so that a console front end can tell a completed transfer
// from each kind of failure without reading the text; the window shows them all alike.
enum class MessageKind {
    Information,       // nothing went wrong
    TransferComplete,  // a download received its end marker, or an upload was confirmed
    PortFailure,       // the port cannot be opened
    NoAnswer,          // the receiver does not answer
    FileFailure,       // a transfer file cannot be created, read or written
    LineFailure,       // the line or the transfer failed part way
};

inline bool isFailure(MessageKind kind) {
    return kind != MessageKind::Information && kind != MessageKind::TransferComplete;
}

enum class FileDialogMode { Open, Save };

// The status bar's two parts: what is happening now, and the port in use.
enum class StatusArea { Activity, Port };

// The file dialog's members that the window sets and reads; kept between uses.
struct CommonDialog {
    std::string FileName;
    std::string InitDir;
    int Flags = 0;
    // The file types offered, "description|pattern|description|pattern...", and the one
    // chosen, from 1 in that order.
    std::string Filter;
    int FilterIndex = 1;
};
inline constexpr int kOverwritePrompt = 2;  // CommonDialog Flags: ask before overwriting

// The file types of the transfer dialogs: the text files first, as they always were.
inline constexpr const char* kTransferFilter = "Trawlix text files (*)|*|GPX files (*.gpx)|*.gpx";
inline constexpr int kTextFilterIndex = 1;
inline constexpr int kGpxFilterIndex = 2;

// What the window's logic needs of the screen. The Qt shell implements it with widgets;
// tests implement it with a scripted view.
class FormView {
  public:
    virtual ~FormView() = default;

    virtual void setCaption(Label label, const std::string& text) = 0;
    virtual std::string caption(Label label) const = 0;

    // List1, the debug list.
    virtual void addListLine(const std::string& line) = 0;
    virtual void clearList() = 0;

    // The port menu: items mnuPort[1..]; the ones above 6 are added at run time.
    virtual bool hasPortItem(std::int16_t index) const = 0;
    // Adds item `index` after the last port item; false when it exists already.
    virtual bool addPortItem(std::int16_t index, const std::string& caption) = 0;
    virtual void setPortChecked(std::int16_t index, bool checked) = 0;
    virtual std::int16_t highestPortItem() const = 0;
    // mnuBaud[0] and [1].
    virtual void setBaudChecked(int index, bool checked) = 0;

    // cboFunction.
    virtual void addFunction(const std::string& entry) = 0;
    virtual int functionIndex() const = 0;  // -1 when nothing is selected
    virtual std::string functionText() const = 0;

    virtual MessageAnswer showMessage(const std::string& text, MessageButtons buttons,
                                      MessageKind kind) = 0;
    // Shows the dialog on `dialog`; afterwards dialog.FileName is the chosen file, or "" when
    // the user cancelled, and dialog.FilterIndex the file type chosen.
    virtual void showFileDialog(FileDialogMode mode, CommonDialog& dialog) = 0;
    // Starts the text editor on `path` without waiting; false when it could not be started.
    virtual bool startEditor(const std::string& path) = 0;
    // Opens `path` in the desktop's default program for its type (a map program for GPX)
    // without waiting; false when none could be started.
    virtual bool openWithDefaultProgram(const std::string& path) { return startEditor(path); }
    // After a download: offers to draw the file; a view that cannot draw ignores it.
    virtual void offerView(const std::string& /*path*/) {}

    // A box whose second, smaller text says why and what to do; views without one show the
    // first text only.
    virtual MessageAnswer showDetailedMessage(const std::string& text, const std::string& detail,
                                              MessageButtons buttons, MessageKind kind) {
        (void)detail;
        return showMessage(text, buttons, kind);
    }
    virtual void showStatus(StatusArea /*area*/, const std::string& /*text*/) {}
    // Probes every candidate device for a receiver while a cancellable progress dialog is
    // shown; nothing when the user cancelled or the view cannot search.
    virtual std::optional<std::vector<ProbeResult>> findReceivers() { return std::nullopt; }

    virtual void showWindow() = 0;
    // Closes the window: its unload handler runs.
    virtual void closeWindow() = 0;
    // Ends the program at once.
    virtual void endProgram() = 0;
};

}  // namespace trawlix::app
