#include "support/scripted_view.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "app/window_captions.h"

namespace trawlix::testing {

using app::Label;

ScriptedView::ScriptedView() {
    captions[Label::ProductId] = app::kInitialProductCaption;
    captions[Label::GpsDesc] = app::kInitialDescriptionCaption;
    captions[Label::Version] = app::kInitialVersionCaption;
    for (Label label :
         {Label::Lat, Label::Lon, Label::Alt, Label::Hdop, Label::Date, Label::Time}) {
        captions[label] = "";
    }
    for (std::int16_t n = 1; n <= app::kBuiltInPorts; ++n) {
        portItems.push_back({n, app::portCaption(n), false});
    }
}

void ScriptedView::setCaption(Label label, const std::string& text) {
    captions[label] = text;
}
std::string ScriptedView::caption(Label label) const {
    return captions.at(label);
}
void ScriptedView::addListLine(const std::string& line) {
    listLines.push_back(line);
}
void ScriptedView::clearList() {
    listLines.clear();
}

bool ScriptedView::hasPortItem(std::int16_t index) const {
    return std::any_of(portItems.begin(), portItems.end(),
                       [&](const PortItem& item) { return item.index == index; });
}

bool ScriptedView::addPortItem(std::int16_t index, const std::string& caption) {
    if (hasPortItem(index)) {
        return false;
    }
    portItems.push_back({index, caption, false});
    return true;
}

void ScriptedView::setPortChecked(std::int16_t index, bool checked) {
    for (auto& item : portItems) {
        if (item.index == index) {
            item.checked = checked;
        }
    }
}

std::int16_t ScriptedView::highestPortItem() const {
    std::int16_t highest = 0;
    for (const auto& item : portItems) {
        highest = std::max(highest, item.index);
    }
    return highest;
}

void ScriptedView::setBaudChecked(int index, bool checked) {
    baudChecked[index] = checked;
}
void ScriptedView::addFunction(const std::string& entry) {
    functions.push_back(entry);
}
int ScriptedView::functionIndex() const {
    return selectedFunction;
}

std::string ScriptedView::functionText() const {
    if (!functionTextOverride.empty()) {
        return functionTextOverride;
    }
    if (selectedFunction < 0 || selectedFunction >= static_cast<int>(functions.size())) {
        return "";
    }
    return functions[static_cast<std::size_t>(selectedFunction)];
}

app::MessageAnswer ScriptedView::showMessage(const std::string& text, app::MessageButtons buttons,
                                             app::MessageKind kind) {
    return answerMessage({text, buttons, kind, {}});
}

app::MessageAnswer ScriptedView::answerMessage(Message message) {
    const app::MessageButtons buttons = message.buttons;
    messages.push_back(message);
    if (whileMessageOpen) {
        // A copy: a box opened meanwhile, nested in this one, grows `messages`.
        whileMessageOpen(message);
    }
    if (!answers.empty()) {
        const app::MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == app::MessageButtons::RetryCancel ? app::MessageAnswer::Retry
                                                       : app::MessageAnswer::Ok;
}

app::MessageAnswer ScriptedView::showDetailedMessage(const std::string& text,
                                                     const std::string& detail,
                                                     app::MessageButtons buttons,
                                                     app::MessageKind kind) {
    return answerMessage({text, buttons, kind, detail});
}

void ScriptedView::showFileDialog(app::FileDialogMode mode, app::CommonDialog& dialog) {
    dialogs.push_back({mode, dialog.FileName, dialog.InitDir, dialog.Flags});
    filtersOffered.push_back(dialog.Filter);
    if (!fileTypeAnswers.empty()) {
        dialog.FilterIndex = fileTypeAnswers.front();
        fileTypeAnswers.pop_front();
    }
    if (fileAnswers.empty()) {
        dialog.FileName = "";
        return;
    }
    dialog.FileName = fileAnswers.front();
    fileAnswers.pop_front();
}

bool ScriptedView::startEditor(const std::string& path) {
    editorStarts.push_back(path);
    return editorStartsOk;
}

bool ScriptedView::openWithDefaultProgram(const std::string& path) {
    defaultProgramStarts.push_back(path);
    return editorStartsOk;
}

void ScriptedView::showWindow() {
    windowShown = true;
}

void ScriptedView::closeWindow() {
    ++closeRequests;
    if (onClose) {
        onClose();
    }
}

void ScriptedView::endProgram() {
    ++endRequests;
}

std::vector<std::int16_t> ScriptedView::checkedPorts() const {
    std::vector<std::int16_t> result;
    for (const auto& item : portItems) {
        if (item.checked) {
            result.push_back(item.index);
        }
    }
    return result;
}

std::vector<std::string> ScriptedView::portCaptions() const {
    std::vector<std::string> result;
    for (const auto& item : portItems) {
        result.push_back(item.caption);
    }
    return result;
}

std::vector<std::string> ScriptedView::messageTexts() const {
    std::vector<std::string> result;
    for (const auto& message : messages) {
        result.push_back(message.text);
    }
    return result;
}

void ScriptedView::choose(int entry) {
    selectedFunction = entry;
}

std::string MemorySettings::GetSetting(const std::string& application, const std::string& section,
                                       const std::string& key, const std::string& defaultValue) {
    EXPECT_EQ(application, "Korvane");
    const auto it = values.find(section + "/" + key);
    return it == values.end() ? defaultValue : it->second;
}

void MemorySettings::SaveSetting(const std::string& application, const std::string& section,
                                 const std::string& key, const std::string& value) {
    EXPECT_EQ(application, "Korvane");
    values[section + "/" + key] = value;
    writes.push_back(section + "/" + key + "=" + value);
}

}  // namespace trawlix::testing
