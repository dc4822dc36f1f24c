#include "transfer/track_file.h"

#include <map>

#include "common/line_split.h"
#include "common/sentence_end.h"
#include "transfer/gpx_convert.h"
#include "transfer/transfer_files.h"
#include "transfer/transfer_format.h"
#include "transfer/upload_plan.h"

namespace trawlix::transfer::figures {
namespace {

enum class FileKind { Empty, Gpx, Waypoints, Routes, Track, Unknown };

constexpr std::size_t kWaypointFields = 11;

// What the first record of a file says it is.
FileKind kindOfFirstLine(const std::string& path, std::optional<std::string>& failure) {
    TransferFiles files;
    constexpr std::int32_t kNumber = 1;
    if (const auto why = files.openForInput(kNumber, path)) {
        failure = "Can't open the file " + path + ": " + *why;
        return FileKind::Unknown;
    }
    while (const auto line = files.readLine(kNumber)) {
        // Blanks and a byte order mark may come before XML.
        const std::size_t start = line->find_first_not_of(" \t\xEF\xBB\xBF");
        if (start == std::string::npos) {
            continue;
        }
        if ((*line)[start] == '<') {
            return FileKind::Gpx;  // whatever the file's name
        }
        const std::vector<std::string> fields = common::splitFields(*line);
        if (fields[0] == kPointWord) {
            return FileKind::Track;
        }
        if (fields[0] == kHeaderWord) {
            return FileKind::Routes;
        }
        if (fields[0] == kWaypointWord && fields.size() >= kWaypointFields) {
            return FileKind::Waypoints;
        }
        return FileKind::Unknown;
    }
    return FileKind::Empty;
}

LoadResult fromGpx(const std::string& path, gpx::XmlSource& source) {
    gpx::ReadResult read = gpx::readDocument(path, source);
    if (!read.document) {
        return {std::nullopt, read.error};
    }
    Contents contents;
    contents.waypoints = std::move(read.document->waypoints);
    for (gpx::Route& route : read.document->routes) {
        contents.routes.push_back({route.number ? std::to_string(*route.number) : std::string(),
                                   route.name, std::move(route.points), true});
    }
    contents.tracks = tracksOf(read.document->tracks);
    return {std::move(contents), {}};
}

Contents fromText(UploadKind kind, const TextRecords& file) {
    Contents contents;
    for (const link::WaypointRecord& record : file.waypoints) {
        contents.waypoints.push_back(gpx::pointFromWaypoint(record));
    }
    for (const TextRoute& route : file.routes) {
        Route shown{gpx::routeNumberText(route.header.RouteNumber),
                    gpx::routeName(route.header.RouteNumber),
                    {},
                    false};
        for (const link::WaypointRecord& entry : route.entries) {
            gpx::Point point;
            point.name = gpx::utf8FromReceiverText(entry.Field4);
            shown.points.push_back(point);
        }
        contents.routes.push_back(std::move(shown));
    }
    if (kind == UploadKind::Track && !file.trackPoints.empty()) {
        gpx::Track log;
        log.segments.emplace_back();
        for (std::size_t i = 0; i < file.trackPoints.size(); ++i) {
            link::TrackPointRecord record = file.trackPoints[i];
            record.Altitude = file.trackFeet[i];  // the file's feet, unrounded
            log.segments.back().push_back(gpx::pointFromTrackPoint(record));
        }
        contents.tracks = tracksOf({log});
    }
    return contents;
}

// Gives the routes that name their waypoints only the positions of those of `waypointsFile`.
std::optional<std::string> placeRoutes(Contents& contents, const std::string& waypointsFile,
                                       gpx::XmlSource& source) {
    const LoadResult loaded = loadFile(waypointsFile, source);
    if (!loaded.contents) {
        return loaded.error;
    }
    std::map<std::string, const gpx::Point*> byName;
    for (const gpx::Point& waypoint : loaded.contents->waypoints) {
        byName.emplace(waypoint.name, &waypoint);
    }
    for (Route& route : contents.routes) {
        for (gpx::Point& point : route.points) {
            const auto found = byName.find(point.name);
            if (!route.positioned && found == byName.end()) {
                return route.name + " names the waypoint " + point.name + ", which " +
                       waypointsFile + " does not hold.";
            }
            if (!route.positioned) {
                point = *found->second;
            }
        }
        route.positioned = true;
    }
    return std::nullopt;
}

}  // namespace

LoadResult loadFile(const std::string& path, gpx::XmlSource& source,
                    const std::string& waypointsFile) {
    std::optional<std::string> failure;
    FileKind kind = kindOfFirstLine(path, failure);
    if (failure) {
        return {std::nullopt, *failure};
    }
    if (gpx::isGpxName(path) && kind != FileKind::Empty) {
        kind = FileKind::Gpx;
    }
    LoadResult result;
    switch (kind) {
        case FileKind::Empty:
            return {std::nullopt, "The file " + path + " is empty: there is nothing to show."};
        case FileKind::Unknown:
            return {std::nullopt, "The file " + path +
                                      " is not a file of tracks, routes or waypoints: it is "
                                      "not GPX, and its first line is no Point, Header or "
                                      "Waypoint line of a Trawlix text file."};
        case FileKind::Gpx:
            result = fromGpx(path, source);
            break;
        case FileKind::Waypoints:
        case FileKind::Routes:
        case FileKind::Track: {
            const UploadKind upload = kind == FileKind::Track    ? UploadKind::Track
                                      : kind == FileKind::Routes ? UploadKind::Route
                                                                 : UploadKind::Waypoints;
            const TextRecords file = readTransferFile(upload, path);
            if (file.failure) {
                return {std::nullopt, "Can't show the file " + path + ": line " +
                                          std::to_string(file.failedLine) + " cannot be read, " +
                                          common::asSentence(*file.failure)};
            }
            result.contents = fromText(upload, file);
            break;
        }
    }
    if (result.contents && result.contents->empty()) {
        return {std::nullopt, "The file " + path + " holds no track, route or waypoint."};
    }
    if (result.contents && !waypointsFile.empty()) {
        if (auto why = placeRoutes(*result.contents, waypointsFile, source)) {
            return {std::nullopt, std::move(*why)};
        }
    }
    return result;
}

}  // namespace trawlix::transfer::figures
