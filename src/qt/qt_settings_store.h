#pragma once

#include "app/settings_store.h"

namespace trawlix::app {

// Settings in a readable INI file in the user's configuration folder, one file per
// application name ("Korvane.ini"). The environment variable TRAWLIX_CONFIG_DIR moves the
// folder elsewhere (the demo and the tests use it to leave the user's own settings alone).
class QtSettingsStore : public SettingsStore {
  public:
    QtSettingsStore();
    std::string GetSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& defaultValue) override;
    void SaveSetting(const std::string& application, const std::string& section,
                     const std::string& key, const std::string& value) override;
};

}  // namespace trawlix::app
