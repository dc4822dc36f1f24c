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

void planRoutes(const Document& document, UploadPlan& plan) {
    std::set<int> used;
    for (const Route& route : document.routes) {
        if (route.number) {
            used.insert(*route.number);
        }
    }
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
        std::vector<std::string> names;
        PlannedRoute planned{number, {}};
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
            const auto [at, added] = waypointAt.try_emplace(record.Field1, plan.waypoints.size());
            if (added) {
                plan.waypoints.push_back(record);
            } else {
                plan.waypoints[at->second] = record;
            }
        }
        for (auto& sentence : routeSentences(number, names)) {
            plan.routeSentences.push_back(std::move(sentence));
        }
        plan.routeList.push_back(std::move(planned));
        ++plan.routes;
        plan.routeEntries += static_cast<int>(names.size());
    }
    for (std::size_t i = 0; i < plan.waypoints.size(); ++i) {
        plan.waypoints[i].Field7 = static_cast<std::int32_t>(i + 1);
    }
}

}  // namespace

std::vector<RouteSentence> routeSentences(int routeNumber, const std::vector<std::string>& names) {
    constexpr std::size_t kNamesPerSentence = 2;
    const std::size_t count = (names.size() + kNamesPerSentence - 1) / kNamesPerSentence;
    std::vector<RouteSentence> sentences;
    for (std::size_t i = 0; i < count; ++i) {
        std::string commaNames;
        const std::size_t end = std::min(names.size(), (i + 1) * kNamesPerSentence);
        for (std::size_t j = i * kNamesPerSentence; j < end; ++j) {
            commaNames += "," + names[j];
        }
        sentences.push_back(
            {routeSentenceText(static_cast<long long>(count), static_cast<long long>(i + 1),
                               routeNumber, commaNames),
             i == 0, static_cast<int>(end - i * kNamesPerSentence)});
    }
    return sentences;
}

PlanResult planUpload(UploadKind kind, const Document& document, const std::string& path) {
    UploadPlan plan;
    switch (kind) {
        case UploadKind::Waypoints:
            for (std::size_t i = 0; i < document.waypoints.size(); ++i) {
                plan.waypoints.push_back(waypointFromPoint(
                    document.waypoints[i], static_cast<std::int32_t>(i + 1), plan.changed));
            }
            if (plan.waypoints.empty()) {
                return {std::nullopt, "The GPX file " + path + " holds no waypoints (<wpt>)."};
            }
            break;
        case UploadKind::Route:
            planRoutes(document, plan);
            if (plan.routes == 0) {
                return {std::nullopt, "The GPX file " + path + " holds no routes (<rte>)."};
            }
            break;
        case UploadKind::Track:
            for (const Track& track : document.tracks) {
                const std::string name = receiverSafe(track.name, plan.changed);
                for (const auto& segment : track.segments) {
                    for (const Point& point : segment) {
                        plan.trackPoints.push_back(trackPointFromPoint(point, name));
                    }
                }
            }
            if (plan.trackPoints.empty()) {
                return {std::nullopt, "The GPX file " + path + " holds no track points (<trkpt>)."};
            }
            break;
    }
    return {std::move(plan), {}};
}

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

}  // namespace trawlix::transfer::gpx
