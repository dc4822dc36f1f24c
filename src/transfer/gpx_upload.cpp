#include "transfer/gpx_upload.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "common/pattern_format.h"
#include "transfer/upload_text.h"

namespace trawlix::transfer::gpx {
namespace {

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

int lowestFreeNumber(std::set<int>& used) {
    int number = 1;
    while (used.count(number) != 0) {
        ++number;
    }
    used.insert(number);
    return number;
}

std::string generatedName(int routeNumber, std::size_t place) {
    return "R" + common::formatPattern(routeNumber, "00") + "P" +
           common::formatPattern(static_cast<double>(place), "000");
}

std::vector<std::string> plannedRoute(const Route& route, int number,
                                      std::map<std::string, std::size_t>& waypointAt,
                                      UploadPlan& plan, UploadPart& waypoints) {
    std::vector<std::string> names;
    PlannedRoute planned{number, 0, {}};
    for (std::size_t i = 0; i < route.points.size(); ++i) {
        Point point = route.points[i];
        if (point.name.empty()) {
            point.name = generatedName(number, i + 1);
        }
        link::WaypointRecord record = waypointFromPoint(point, 0, plan.changed);
        record.Field1 = upperCase(record.Field1);
        names.push_back(record.Field1);
        link::WaypointRecord entry;
        entry.Field4 = record.Field1;
        entry.Field1 = record.Field10;
        planned.entries.push_back(entry);
        UploadStep step;
        step.waypoint = record;
        const auto [at, added] = waypointAt.try_emplace(record.Field1, waypoints.steps.size());
        if (added) {
            waypoints.steps.push_back(step);
        } else {
            waypoints.steps[at->second] = step;
        }
    }
    planned.sentenceCount = sentencesFor(names.size());
    plan.routes.push_back(std::move(planned));
    return names;
}

void planRoutes(const Document& document, UploadPlan& plan) {
    std::set<int> used;
    for (const Route& route : document.routes) {
        if (route.number) {
            used.insert(*route.number);
        }
    }
    UploadPart waypoints{UploadKind::Waypoints, {}, 0, 0};
    UploadPart routes{UploadKind::Route, {}, 0, 0};
    std::map<std::string, std::size_t> waypointAt;  // by name: a name is stored once
    for (const Route& route : document.routes) {
        int number = 0;
        if (route.number) {
            number = *route.number;
        } else {
            number = lowestFreeNumber(used);
            const std::string called =
                route.name.empty() ? "A route without a name" : "\"" + route.name + "\"";
            plan.numbersChosen.push_back(called + " is route " + common::formatInteger(number));
        }
        const auto names = plannedRoute(route, number, waypointAt, plan, waypoints);
        addRoute(routes, routeSentences(number, sentencesFor(names.size()), names));
    }
    for (std::size_t i = 0; i < waypoints.steps.size(); ++i) {
        waypoints.steps[i].waypoint.Field7 = static_cast<std::int32_t>(i + 1);
    }
    countRecords(waypoints);
    countRecords(routes);
    plan.parts.push_back(std::move(waypoints));
    plan.parts.push_back(std::move(routes));
}

UploadPart trackPart(const Document& document, UploadPlan& plan) {
    UploadPart part{UploadKind::Track, {}, 0, 0};
    for (const Track& track : document.tracks) {
        const std::string name = receiverSafe(track.name, plan.changed);
        for (const auto& segment : track.segments) {
            for (const Point& point : segment) {
                UploadStep step;
                step.kind = UploadStep::Kind::TrackPoint;
                step.trackPoint = trackPointFromPoint(point, name);
                part.steps.push_back(std::move(step));
            }
        }
    }
    countRecords(part);
    return part;
}

UploadPart waypointPart(const Document& document, UploadPlan& plan) {
    UploadPart part{UploadKind::Waypoints, {}, 0, 0};
    for (std::size_t i = 0; i < document.waypoints.size(); ++i) {
        UploadStep step;
        step.waypoint = waypointFromPoint(document.waypoints[i], static_cast<std::int32_t>(i + 1),
                                          plan.changed);
        part.steps.push_back(std::move(step));
    }
    countRecords(part);
    return part;
}

// The parts of the completion message an upload from GPX adds to the usual one.
std::string uploadNotes(UploadKind kind, const UploadPlan& plan) {
    std::string notes;
    for (const std::string& chosen : plan.numbersChosen) {
        notes += "\r\n" + chosen + ".";
    }
    if (plan.changed.fields() > 0) {
        notes += "\r\n" + changedTextNote(kind, plan.changed);
    }
    return notes;
}

}  // namespace

PlanResult planUpload(UploadKind kind, const Document& document, const std::string& path) {
    UploadPlan plan;
    plan.kind = kind;
    switch (kind) {
        case UploadKind::Waypoints:
            plan.parts.push_back(waypointPart(document, plan));
            if (plan.parts.front().steps.empty()) {
                return {std::nullopt, "The GPX file " + path + " holds no waypoints (<wpt>)."};
            }
            break;
        case UploadKind::Route:
            planRoutes(document, plan);
            if (plan.routes.empty()) {
                return {std::nullopt, "The GPX file " + path + " holds no routes (<rte>)."};
            }
            break;
        case UploadKind::Track:
            plan.parts.push_back(trackPart(document, plan));
            if (plan.parts.front().steps.empty()) {
                return {std::nullopt, "The GPX file " + path + " holds no track points (<trkpt>)."};
            }
            break;
    }
    plan.notes = uploadNotes(kind, plan);
    return {std::move(plan), {}};
}

}  // namespace trawlix::transfer::gpx
