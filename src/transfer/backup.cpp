#include "transfer/backup.h"

#include <algorithm>
#include <cerrno>

#include "common/pattern_format.h"
#include "transfer/gpx_reader.h"
#include "transfer/transfer_files.h"

namespace trawlix::transfer::backup {
namespace {

using common::formatInteger;

std::string counted(int count, const char* one, const char* many) {
    return formatInteger(count) + " " + (count == 1 ? one : many);
}

// "a", "a and b", "a, b and c"
std::string listed(const std::vector<std::string>& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    }
    return text;
}

std::vector<std::string> kindWords(const std::vector<Kind>& kinds) {
    std::vector<std::string> words;
    for (const Kind kind : kinds) {
        words.emplace_back(kind == Kind::Tracks ? "the track log" : kindWord(kind));
    }
    return words;
}

// The verb after a list of kinds: the track log alone is one thing, the rest are many.
const char* verb(const std::vector<Kind>& kinds, const char* one, const char* many) {
    return kinds.size() == 1 && kinds[0] == Kind::Tracks ? one : many;
}

std::vector<Kind> kindsNotIn(const std::vector<Kind>& done, const std::vector<Kind>& of) {
    std::vector<Kind> rest;
    for (const Kind kind : of) {
        if (std::find(done.begin(), done.end(), kind) == done.end()) {
            rest.push_back(kind);
        }
    }
    return rest;
}

UploadKind uploadKindOf(Kind kind) {
    return kind == Kind::Waypoints ? UploadKind::Waypoints
           : kind == Kind::Routes  ? UploadKind::Route
                                   : UploadKind::Track;
}

int tracksWithPoints(const gpx::Document& document) {
    return static_cast<int>(
        std::count_if(document.tracks.begin(), document.tracks.end(), [](const gpx::Track& t) {
            return std::any_of(t.segments.begin(), t.segments.end(),
                               [](const auto& segment) { return !segment.empty(); });
        }));
}

bool documentHolds(const gpx::Document& document, Kind kind) {
    switch (kind) {
        case Kind::Waypoints:
            return !document.waypoints.empty();
        case Kind::Routes:
            return !document.routes.empty();
        case Kind::Tracks:
            break;
    }
    return tracksWithPoints(document) > 0;
}

Counts plannedCounts(const RestorePlan& plan, const std::vector<Kind>& kinds) {
    Counts counts;
    for (const Kind kind : kinds) {
        const UploadPlan& planned = plan.plans.at(kind);
        switch (kind) {
            case Kind::Waypoints:
                counts.waypoints = static_cast<int>(planned.parts.at(0).steps.size());
                break;
            case Kind::Routes:
                counts.routes = static_cast<int>(planned.routes.size());
                break;
            case Kind::Tracks:
                counts.trackPoints = static_cast<int>(planned.parts.at(0).steps.size());
                break;
        }
    }
    return counts;
}

}  // namespace

const char* kindWord(Kind kind) {
    return link::namesOf(kind).name.data();
}

std::optional<std::vector<Kind>> kindsOf(const std::string& list) {
    std::vector<Kind> chosen;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string word = list.substr(start, comma - start);
        const auto* found = std::find_if(std::begin(kAllKinds), std::end(kAllKinds),
                                         [&](Kind kind) { return word == kindWord(kind); });
        if (found == std::end(kAllKinds) ||
            std::find(chosen.begin(), chosen.end(), *found) != chosen.end()) {
            return std::nullopt;
        }
        chosen.push_back(*found);
        start = comma + 1;
    }
    std::sort(chosen.begin(), chosen.end());
    return chosen;
}

std::string defaultBackupName(const std::tm& day) {
    return "gps-backup-" + common::formatPattern(day.tm_year + 1900, "0000") + "-" +
           common::formatPattern(day.tm_mon + 1, "00") + "-" +
           common::formatPattern(day.tm_mday, "00") + ".gpx";
}

std::optional<std::string> BackupDocument::create(const std::string& path) {
    file_.open(pathFromUtf8(path),
               std::ios::out | std::ios::in | std::ios::binary | std::ios::trunc);
    if (!file_.is_open()) {
        return describeError(errno);
    }
    writer_ = std::make_unique<gpx::Writer>(file_);
    return writer_->failure();
}

std::optional<std::string> BackupDocument::waypoint(const link::WaypointRecord& record) {
    byName_[record.Field1] = record;
    ++waypoints;
    return writer_->waypoint(gpx::pointFromWaypoint(record));
}

std::optional<std::string> BackupDocument::routeHeader(const link::HeaderRecord& header) {
    routeNumber_ = header.RouteNumber;
    ++routes;
    return writer_->startRoute(gpx::routeName(routeNumber_), gpx::routeNumberText(routeNumber_));
}

std::optional<std::string> BackupDocument::routeEntry(const link::WaypointRecord& entry) {
    const auto waypoint = byName_.find(entry.Field4);
    if (waypoint == byName_.end()) {
        unplaced.push_back("route " + routeNumber_ + " names " + entry.Field4);
        return std::nullopt;
    }
    return writer_->routePoint(gpx::pointFromRouteEntry(entry, waypoint->second));
}

std::optional<std::string> BackupDocument::trackPoint(const link::TrackPointRecord& record) {
    ++trackPoints;
    return writer_->trackPoint(gpx::utf8FromReceiverText(record.TrackName),
                               gpx::pointFromTrackPoint(record, correction));
}

void BackupDocument::close() {
    writer_.reset();
    file_.close();
}

std::string countsText(const Counts& counts) {
    return listed({counted(counts.waypoints, "waypoint", "waypoints"),
                   counted(counts.routes, "route", "routes"),
                   counted(counts.trackPoints, "track point", "track points")});
}

std::string backupResult(const std::string& path, const Counts& counts,
                         const std::vector<Kind>& complete,
                         const std::vector<std::string>& unplaced) {
    std::string text;
    if (complete.size() == std::size(kAllKinds)) {
        text = "Backed up " + countsText(counts) + " to " + path + ".";
    } else {
        const std::vector<Kind> rest =
            kindsNotIn(complete, {std::begin(kAllKinds), std::end(kAllKinds)});
        text = "The backup stopped part way: " +
               (complete.empty() ? std::string("no kind is complete")
                                 : listed(kindWords(complete)) + " " + verb(complete, "is", "are") +
                                       " complete") +
               ", " + listed(kindWords(rest)) + " " + verb(rest, "is", "are") + " not. " + path +
               " holds what arrived (" + countsText(counts) + ") as a complete GPX file.";
    }
    if (!unplaced.empty()) {
        text += "\r\nLeft out, as the receiver sent no waypoint of that name: " + listed(unplaced) +
                ".";
    }
    return text;
}

RestoreCheck checkRestore(const std::string& path, gpx::XmlSource& xml,
                          const std::vector<Kind>& only) {
    gpx::ReadResult read = gpx::readDocument(path, xml);
    if (!read.document) {
        return {std::nullopt, read.error};
    }
    const gpx::Document& document = *read.document;
    RestorePlan plan;
    for (const Kind kind :
         only.empty() ? std::vector<Kind>(std::begin(kAllKinds), std::end(kAllKinds)) : only) {
        if (only.empty() && !documentHolds(document, kind)) {
            continue;
        }
        PlanResult planned = gpx::planUpload(uploadKindOf(kind), document, path);
        if (!planned.plan) {
            return {std::nullopt, planned.error};
        }
        plan.kinds.push_back(kind);
        plan.plans.emplace(kind, std::move(*planned.plan));
    }
    if (plan.kinds.empty()) {
        return {std::nullopt, "The GPX file " + path + " holds no waypoints, routes or tracks."};
    }
    plan.tracks = tracksWithPoints(document);
    return {std::move(plan), {}};
}

std::string restoreSummary(const RestorePlan& plan) {
    std::vector<std::string> parts;
    for (const Kind kind : plan.kinds) {
        const UploadPlan& planned = plan.plans.at(kind);
        const auto steps =
            planned.parts.empty() ? 0 : static_cast<int>(planned.parts.front().steps.size());
        const auto routes = static_cast<int>(planned.routes.size());
        switch (kind) {
            case Kind::Waypoints:
                parts.push_back(
                    counted(steps, "waypoint", "waypoints") +
                    " (replacing those of the same name)");
                break;
            case Kind::Routes: {
                std::string numbers;
                for (const PlannedRoute& route : planned.routes) {
                    numbers += (numbers.empty() ? "" : ", ") + formatInteger(route.number);
                }
                parts.push_back(counted(routes, "route", "routes") +
                                (routes == 1 ? " (number " : " (numbers ") + numbers + ")");
                break;
            }
            case Kind::Tracks:
                parts.push_back(
                    counted(plan.tracks, "track", "tracks") + " of " +
                    counted(steps, "point", "points") +
                    " (replacing the track log)");
                break;
        }
    }
    std::string text;
    for (const std::string& part : parts) {
        text += (text.empty() ? "" : ", ") + part;
    }
    return text;
}

namespace {

// The lines of upload completion messages after their counts.
std::string notesOf(const std::vector<std::string>& completions) {
    std::string notes;
    for (const std::string& text : completions) {
        for (std::size_t at = text.find("\r\n"); at != std::string::npos;) {
            const std::size_t end = text.find("\r\n", at + 2);
            const std::string line = text.substr(at + 2, end - std::min(end, at + 2));
            if (line.rfind("Consisting of ", 0) != 0) {
                notes += "\r\n" + line;
            }
            at = end;
        }
    }
    return notes;
}

}  // namespace

std::string restoreResult(const std::string& path, const RestorePlan& plan,
                          const std::vector<Kind>& sent,
                          const std::vector<std::string>& completions) {
    if (sent.size() == plan.kinds.size()) {
        std::vector<std::string> parts;
        const Counts counts = plannedCounts(plan, sent);
        for (const Kind kind : sent) {
            parts.push_back(kind == Kind::Waypoints
                                ? counted(counts.waypoints, "waypoint", "waypoints")
                            : kind == Kind::Routes
                                ? counted(counts.routes, "route", "routes")
                                : counted(counts.trackPoints, "track point", "track points"));
        }
        return "Restored " + listed(parts) + " from " + path + "." + notesOf(completions);
    }
    const std::vector<Kind> rest = kindsNotIn(sent, plan.kinds);
    return "The restore stopped part way: " +
           (sent.empty() ? std::string("nothing was sent completely")
                         : listed(kindWords(sent)) + " " + verb(sent, "was", "were") + " sent") +
           "; " + listed(kindWords(rest)) + " " + verb(rest, "was", "were") + " not." +
           notesOf(completions);
}

}  // namespace trawlix::transfer::backup
