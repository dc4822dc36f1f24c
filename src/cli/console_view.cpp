#include "cli/console_view.h"

#include "app/week_rollover_watch.h"
#include "app/window_captions.h"

namespace trawlix::cli {

using app::Label;

namespace {

// The window's altitude pattern shows no digit before the point below one foot (".0 ft");
// a line read on its own wants one ("0.0 ft", "-0.5 ft").
std::string withDigitBeforePoint(const std::string& number) {
    const bool negative = number.rfind('-', 0) == 0;
    const std::size_t digits = negative ? 1 : 0;
    if (number.compare(digits, 1, ".") == 0) {
        return number.substr(0, digits) + "0" + number.substr(digits);
    }
    return number;
}

}  // namespace

ConsoleView::ConsoleView(std::FILE* out, std::FILE* err, bool verbose)
    : out_(out), err_(err), verbose_(verbose) {
    captions_[Label::ProductId] = app::kInitialProductCaption;
    captions_[Label::GpsDesc] = app::kInitialDescriptionCaption;
    captions_[Label::Version] = app::kInitialVersionCaption;
    for (std::int16_t port = 1; port <= app::kBuiltInPorts; ++port) {
        ports_.insert(port);
    }
}

void ConsoleView::setCaption(Label label, const std::string& text) {
    const bool live =
        label != Label::ProductId && label != Label::GpsDesc && label != Label::Version;
    fixChanged_ = fixChanged_ || (live && captions_[label] != text);
    captions_[label] = text;
}

bool ConsoleView::takeFixChange() {
    const bool changed = fixChanged_;
    fixChanged_ = false;
    return changed;
}

std::string ConsoleView::caption(Label label) const {
    const auto it = captions_.find(label);
    return it == captions_.end() ? std::string() : it->second;
}

void ConsoleView::addListLine(const std::string& line) {
    if (verbose_) {
        std::fprintf(err_, "%s\n", line.c_str());
    }
}

bool ConsoleView::addPortItem(std::int16_t index, const std::string&) {
    return ports_.insert(index).second;
}

app::MessageAnswer ConsoleView::showMessage(const std::string& text, app::MessageButtons buttons,
                                            app::MessageKind kind) {
    if (quiet) {
        return buttons == app::MessageButtons::Ok ? app::MessageAnswer::Ok
                                                  : app::MessageAnswer::Cancel;
    }
    std::string shown = text;
    for (auto at = shown.find("\r\n"); at != std::string::npos; at = shown.find("\r\n", at)) {
        shown.replace(at, 2, "\n");
    }
    std::fprintf(app::isFailure(kind) ? err_ : out_, "%s\n", shown.c_str());
    std::fflush(out_);
    if (!outcome && kind != app::MessageKind::Information) {
        outcome = kind;
    }
    // Nobody is there to retry: a failure ends what was asked for.
    switch (buttons) {
        case app::MessageButtons::RetryCancel:
        case app::MessageButtons::OkCancel:
            return app::MessageAnswer::Cancel;
        case app::MessageButtons::Ok:
            break;
    }
    return app::MessageAnswer::Ok;
}

void ConsoleView::showFileDialog(app::FileDialogMode, app::CommonDialog& dialog) {
    dialog.FileName.clear();  // cancelled: a console has no dialog
}

std::string ConsoleView::fixLine(const NmeaValues& values) const {
    return caption(Label::Date) + " " + caption(Label::Time) + "  " + caption(Label::Lat) + " " +
           caption(Label::Lon) + "  " + values.altitudeText() + " " +
           withDigitBeforePoint(caption(Label::Alt)) + "  " + values.precisionText();
}

void ReadOnlySettings::override(const std::string& section, const std::string& key,
                                const std::string& value) {
    overrides_[section + "/" + key] = value;
}

std::string ReadOnlySettings::GetSetting(const std::string& application, const std::string& section,
                                         const std::string& key, const std::string& defaultValue) {
    const auto it = overrides_.find(section + "/" + key);
    return it != overrides_.end() ? it->second
                                  : stored_.GetSetting(application, section, key, defaultValue);
}

void ReadOnlySettings::SaveSetting(const std::string& application, const std::string& section,
                                   const std::string& key, const std::string& value) {
    if (section == app::kWeekRolloverSection && key != app::kWeekRolloverChoiceKey) {
        stored_.SaveSetting(application, section, key, value);
    }
}

}  // namespace trawlix::cli
