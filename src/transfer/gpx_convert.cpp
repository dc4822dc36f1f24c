#include "transfer/gpx_convert.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>

#include "common/line_split.h"
#include "common/numbers.h"
#include "common/pattern_format.h"
#include "common/sentence_end.h"
#include "common/units.h"
#include "transfer/gpx_upload.h"
#include "transfer/gpx_writer.h"
#include "transfer/transfer_files.h"
#include "transfer/transfer_format.h"
#include "transfer/week_rollover.h"

namespace trawlix::transfer::gpx {
namespace {

// A transfer file read whole, or why it cannot be converted.
TextRecords readTextFile(UploadKind kind, const std::string& path) {
    TextRecords file = readTransferFile(kind, path);
    if (file.failure) {
        file.failure = file.failedLine == 0 ? "Can't open the file " + path + ": " + *file.failure
                                            : "Can't convert the file " + path + ": line " +
                                                  std::to_string(file.failedLine) +
                                                  " cannot be read, " +
                                                  common::asSentence(*file.failure);
    }
    return file;
}

using WaypointsByName = std::map<std::string, link::WaypointRecord>;

std::optional<std::string> loadWaypoints(const std::string& path, XmlSource& source,
                                         WaypointsByName& byName) {
    if (isGpxName(path)) {
        ReadResult read = readDocument(path, source);
        if (!read.document) {
            return read.error;
        }
        TextChanges changed;
        for (const Point& point : read.document->waypoints) {
            const link::WaypointRecord record = waypointFromPoint(point, 0, changed);
            byName[record.Field1] = record;
        }
        return std::nullopt;
    }
    const TextRecords file = readTextFile(UploadKind::Waypoints, path);
    if (file.failure) {
        return file.failure;
    }
    for (const auto& record : file.waypoints) {
        byName[record.Field1] = record;
    }
    return std::nullopt;
}

// Writes the whole text file; the reason on failure.
std::optional<std::string> writeLines(const std::string& path,
                                      const std::vector<std::string>& lines) {
    TransferFiles files;
    constexpr std::int32_t kNumber = 1;
    if (const auto why = files.openForOutput(kNumber, path)) {
        return "Can't create the file " + path + ": " + *why;
    }
    for (const auto& line : lines) {
        if (const auto why = files.writeLine(kNumber, line)) {
            return "Can't write to the file " + path + ": " + *why;
        }
    }
    return std::nullopt;
}

std::string countText(std::size_t count, const char* what) {
    return common::formatInteger(static_cast<long long>(count)) + " " + what;
}

std::optional<std::string> writeRoutesAsGpx(const TextRecords& file, const WaypointsByName& byName,
                                            Writer& writer) {
    for (const TextRoute& route : file.routes) {
        writer.startRoute(routeName(route.header.RouteNumber),
                          routeNumberText(route.header.RouteNumber));
        for (const auto& entry : route.entries) {
            const auto waypoint = byName.find(entry.Field4);
            if (waypoint == byName.end()) {
                return "route " + route.header.RouteNumber + " names the waypoint " + entry.Field4 +
                       ", which the waypoints given do not hold";
            }
            writer.routePoint(pointFromRouteEntry(entry, waypoint->second));
        }
    }
    return std::nullopt;
}

std::vector<std::string> routeLines(const UploadPlan& plan) {
    std::vector<std::string> lines;
    for (const PlannedRoute& route : plan.routes) {
        lines.push_back(routeHeaderLine(
            {common::formatInteger(route.number), static_cast<std::int16_t>(route.sentenceCount)}));
        for (const auto& entry : route.entries) {
            lines.push_back(routeEntryLine(entry));
        }
    }
    return lines;
}

}  // namespace

bool isGpxName(const std::string& path) {
    constexpr std::string_view kExtension = ".gpx";
    if (path.size() < kExtension.size()) {
        return false;
    }
    return std::equal(kExtension.begin(), kExtension.end(), path.end() - 4, [](char a, char b) {
        return a == std::tolower(static_cast<unsigned char>(b));
    });
}

ConversionResult textToGpx(UploadKind kind, const std::string& in, const std::string& out,
                           const std::string& waypointsFile, XmlSource& source,
                           const DateCorrection& correction) {
    const TextRecords file = readTextFile(kind, in);
    if (file.failure) {
        return {false, *file.failure};
    }
    WaypointsByName byName;
    if (kind == UploadKind::Route) {
        if (waypointsFile.empty()) {
            return {false,
                    "A route file names its waypoints only: give the file of the "
                    "waypoints with --waypoints FILE, so that each entry gets its "
                    "position."};
        }
        if (const auto why = loadWaypoints(waypointsFile, source, byName)) {
            return {false, *why};
        }
    }
    std::fstream stream(pathFromUtf8(out), std::ios::out | std::ios::trunc | std::ios::binary);
    if (!stream.is_open()) {
        return {false, "Can't create the file " + out + ": " + describeError(errno)};
    }
    Writer writer(stream);
    std::string summary;
    switch (kind) {
        case UploadKind::Waypoints:
            for (const auto& record : file.waypoints) {
                writer.waypoint(pointFromWaypoint(record));
            }
            summary = countText(file.waypoints.size(), "waypoints");
            break;
        case UploadKind::Track:
            for (std::size_t i = 0; i < file.trackPoints.size(); ++i) {
                link::TrackPointRecord record = file.trackPoints[i];
                record.Altitude = file.trackFeet[i];
                writer.trackPoint(record.TrackName, pointFromTrackPoint(record, correction));
            }
            summary = countText(file.trackPoints.size(), "track points");
            break;
        case UploadKind::Route:
            if (const auto why = writeRoutesAsGpx(file, byName, writer)) {
                stream.close();
                std::error_code ec;
                std::filesystem::remove(pathFromUtf8(out), ec);
                return {false, common::asSentence("Can't convert the file " + in + ": " + *why)};
            }
            summary = countText(file.routes.size(), "routes");
            break;
    }
    if (writer.failure()) {
        return {false, "Can't write to the file " + out + ": " + *writer.failure()};
    }
    return {true, "Converted " + summary + " to " + out + "."};
}

ConversionResult gpxToText(UploadKind kind, const std::string& in, const std::string& out,
                           XmlSource& source, int periods) {
    ReadResult read = readDocument(in, source);
    if (!read.document) {
        return {false, read.error};
    }
    PlanResult planned = planUpload(kind, *read.document, in);
    if (!planned.plan) {
        return {false, planned.error};
    }
    rollover::takeOff(*planned.plan, periods);
    const UploadPlan& plan = *planned.plan;
    const std::vector<UploadStep>& steps = plan.parts.front().steps;
    std::vector<std::string> lines;
    std::string summary;
    switch (kind) {
        case UploadKind::Waypoints:
            for (const UploadStep& step : steps) {
                lines.push_back(waypointLine(step.waypoint));
            }
            summary = countText(steps.size(), "waypoints");
            break;
        case UploadKind::Track: {
            std::size_t at = 0;
            for (const Track& track : read.document->tracks) {
                for (const auto& segment : track.segments) {
                    for (const Point& point : segment) {
                        link::TrackPointRecord record = steps[at++].trackPoint;
                        // The file holds feet, unrounded.
                        record.Altitude = static_cast<float>(point.elevation.value_or(0.0) /
                                                             common::kMetresPerFoot);
                        lines.push_back(trackLine(record));
                    }
                }
            }
            summary = countText(steps.size(), "track points");
            break;
        }
        case UploadKind::Route:
            lines = routeLines(plan);
            summary = countText(plan.routes.size(), "routes");
            break;
    }
    if (const auto why = writeLines(out, lines)) {
        return {false, *why};
    }
    std::string message = "Converted " + summary + " to " + out + ".";
    for (const auto& chosen : plan.numbersChosen) {
        message += "\n" + chosen + ".";
    }
    if (plan.changed.unaccented > 0) {
        message += "\n" + common::formatInteger(plan.changed.unaccented) +
                   " texts had letters a transfer file cannot carry; they were written without "
                   "accents.";
    }
    if (plan.changed.blanked > 0) {
        message += "\n" + common::formatInteger(plan.changed.blanked) +
                   " texts had characters a transfer file cannot carry; they became blanks.";
    }
    return {true, message};
}

}  // namespace trawlix::transfer::gpx
