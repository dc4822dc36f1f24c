#include "transfer/upload_check.h"

#include "common/line_split.h"
#include "common/sentence_end.h"
#include "link/records.h"
#include "transfer/transfer_files.h"
#include "transfer/transfer_format.h"

namespace trawlix::transfer {
namespace {

// `headerSeen` is whether a route header came before this line; a header line sets it.
std::optional<std::string> checkLine(UploadKind kind, const std::vector<std::string>& fields,
                                     bool& headerSeen) {
    switch (kind) {
        case UploadKind::Waypoints: {
            link::WaypointRecord record;
            return readWaypointLine(fields, record);
        }
        case UploadKind::Track: {
            link::TrackPointRecord record;
            return readTrackLine(fields, record);
        }
        case UploadKind::Route: {
            if (isRouteHeader(fields)) {
                headerSeen = true;
                RouteHeader header;
                return readRouteHeader(fields, header);
            }
            if (!headerSeen) {
                return std::string(kEntryBeforeHeader);
            }
            return checkRouteEntry(fields);
        }
    }
    return std::nullopt;
}

}  // namespace

std::string badLineMessage(const std::string& path, long lineNumber, const std::string& why) {
    return "Can't send the file " + path + ": line " + std::to_string(lineNumber) +
           " cannot be read, " + common::asSentence(why);
}

std::optional<std::string> checkUploadFile(UploadKind kind, const std::string& path) {
    TransferFiles files;
    constexpr std::int32_t kNumber = 1;
    if (const auto why = files.openForInput(kNumber, path)) {
        return "Can't open the file " + path + ": " + *why;
    }
    long lineNumber = 0;
    bool headerSeen = false;
    while (const auto line = files.readLine(kNumber)) {
        ++lineNumber;
        if (line->empty()) {
            continue;
        }
        if (const auto why = checkLine(kind, common::splitFields(*line), headerSeen)) {
            return badLineMessage(path, lineNumber, *why) + " Nothing was sent.";
        }
    }
    return std::nullopt;
}

}  // namespace trawlix::transfer

namespace trawlix::transfer {

std::int32_t uploadRecordCount(UploadKind kind, const std::string& path) {
    TransferFiles files;
    constexpr std::int32_t kNumber = 1;
    if (files.openForInput(kNumber, path)) {
        return 0;
    }
    std::int32_t count = 0;
    while (const auto line = files.readLine(kNumber)) {
        // A route's header lines are no records of their own: its entries are counted.
        if (!line->empty() &&
            !(kind == UploadKind::Route && isRouteHeader(common::splitFields(*line)))) {
            ++count;
        }
    }
    return count;
}

}  // namespace trawlix::transfer
