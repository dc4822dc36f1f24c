#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trawlix::transfer {

enum class UploadKind { Waypoints, Route, Track };

// Reads the whole upload file before anything is sent. Returns nothing when every line can
// be converted, or a message for the user that names the file, the line and the fault.
// Empty lines are passed over, as the uploads pass over them.
std::optional<std::string> checkUploadFile(UploadKind kind, const std::string& path);

// The message for a line of `path` that cannot be sent.
std::string badLineMessage(const std::string& path, long lineNumber, const std::string& why);

// The records an upload of `path` sends, as its count goes: waypoints, route entries or
// track points. 0 when the file cannot be read.
std::int32_t uploadRecordCount(UploadKind kind, const std::string& path);

}  // namespace trawlix::transfer
