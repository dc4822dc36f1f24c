#pragma once

#include <string>

#include "app/form_view.h"
#include "app/settings_store.h"

// Where the transfer dialogs start and which file type they offer first: what the user
// chose last, in either dialog, kept in the settings ("Path": "Path" and "Type").
namespace trawlix::app {

// The folder last used when it still exists; otherwise the user's documents folder, or home
// folder. Never the program's own folder, where a download cannot be written once installed.
std::string dialogStartFolder(SettingsStore& settings);
// The file type chosen last: kTextFilterIndex or kGpxFilterIndex.
int rememberedFileType(SettingsStore& settings);
// Keeps the folder of the file chosen in `dialog` and its type; nothing when it was cancelled.
void rememberDialogChoice(SettingsStore& settings, const CommonDialog& dialog);

// A name saved without an extension gets that of the type chosen: ".txt" for text, ".gpx"
// for GPX, as the programs that open the file look for it.
std::string withExtensionOfType(const std::string& name, int filterIndex);

// The documents folder of the user where there is one, else the home folder; empty when the
// system names neither.
std::string userDocumentsFolder();

}  // namespace trawlix::app
