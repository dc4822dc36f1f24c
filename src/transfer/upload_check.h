#pragma once

#include <string>

namespace trawlix::transfer {

enum class UploadKind { Waypoints, Route, Track };

// The message for a line of `path` that cannot be sent.
std::string badLineMessage(const std::string& path, long lineNumber, const std::string& why);

}  // namespace trawlix::transfer
