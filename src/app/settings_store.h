#pragma once

#include <string>

namespace trawlix::app {

// The per-user settings store: text values by application, section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string GetSetting(const std::string& application, const std::string& section,
                                   const std::string& key, const std::string& defaultValue) = 0;
    virtual void SaveSetting(const std::string& application, const std::string& section,
                             const std::string& key, const std::string& value) = 0;
};

// The application name every setting of Trawlix lives under.
inline constexpr const char* kSettingsApplication = "Korvane";

}  // namespace trawlix::app
