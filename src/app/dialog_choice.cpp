#include "app/dialog_choice.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "transfer/transfer_files.h"

namespace trawlix::app {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGpxType = "GPX";
constexpr const char* kTextType = "Text";

bool isFolder(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(transfer::pathFromUtf8(path), ec);
}

}  // namespace

std::string userDocumentsFolder() {
#if defined(_WIN32)
    const char* home = std::getenv("USERPROFILE");
#else
    const char* home = std::getenv("HOME");
#endif
    if (home == nullptr || *home == '\0') {
        return {};
    }
    const std::string documents = transfer::utf8Of(transfer::pathFromUtf8(home) / "Documents");
    return isFolder(documents) ? documents : std::string(home);
}

std::string dialogStartFolder(SettingsStore& settings) {
    const std::string stored = settings.GetSetting(kSettingsApplication, "Path", "Path", "");
    return isFolder(stored) ? stored : userDocumentsFolder();
}

int rememberedFileType(SettingsStore& settings) {
    return settings.GetSetting(kSettingsApplication, "Path", "Type", kTextType) == kGpxType
               ? kGpxFilterIndex
               : kTextFilterIndex;
}

void rememberDialogChoice(SettingsStore& settings, const CommonDialog& dialog) {
    if (dialog.FileName.empty()) {
        return;
    }
    const fs::path folder = transfer::pathFromUtf8(dialog.FileName).parent_path();
    if (!folder.empty()) {
        settings.SaveSetting(kSettingsApplication, "Path", "Path", transfer::utf8Of(folder));
    }
    settings.SaveSetting(kSettingsApplication, "Path", "Type",
                         dialog.FilterIndex == kGpxFilterIndex ? kGpxType : kTextType);
}

std::string withExtensionOfType(const std::string& name, int filterIndex) {
    if (name.empty() || transfer::pathFromUtf8(name).has_extension()) {
        return name;
    }
    return name + (filterIndex == kGpxFilterIndex ? ".gpx" : ".txt");
}

}  // namespace trawlix::app
