#include "transfer/upload_plan.h"

#include <algorithm>

#include "common/line_split.h"
#include "common/numbers.h"
#include "common/pattern_format.h"
#include "transfer/transfer_files.h"
#include "transfer/transfer_format.h"
#include "transfer/upload_text.h"

namespace trawlix::transfer {
namespace {

constexpr std::size_t kNamesPerSentence = 2;

// Takes one line of a transfer file into `records`; why it cannot, otherwise.
std::optional<std::string> readLine(UploadKind kind, const std::vector<std::string>& fields,
                                    TextRecords& records) {
    switch (kind) {
        case UploadKind::Waypoints: {
            link::WaypointRecord record;
            const auto why = readWaypointLine(fields, record);
            records.waypoints.push_back(record);
            return why;
        }
        case UploadKind::Track: {
            link::TrackPointRecord record;
            const auto why = readTrackLine(fields, record);
            records.trackPoints.push_back(record);
            records.trackFeet.push_back(why ? 0.0F
                                            : static_cast<float>(common::leadingNumber(fields[5])));
            return why;
        }
        case UploadKind::Route: {
            if (isRouteHeader(fields)) {
                RouteHeader header;
                const auto why = readRouteHeader(fields, header);
                records.routes.push_back({{fields.size() > 1 ? fields[1] : "", 0},
                                          header.routeNumber,
                                          header.sentenceCount,
                                          {}});
                return why;
            }
            if (records.routes.empty()) {
                return std::string(kEntryBeforeHeader);
            }
            if (const auto why = checkRouteEntry(fields)) {
                return why;
            }
            link::WaypointRecord entry;
            entry.Field1 = fields[1];
            entry.Field4 = fields[2];
            records.routes.back().entries.push_back(entry);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

UploadStep waypointStep(link::WaypointRecord record) {
    UploadStep step;
    step.kind = UploadStep::Kind::Waypoint;
    step.waypoint = std::move(record);
    return step;
}

UploadStep trackStep(link::TrackPointRecord record) {
    UploadStep step;
    step.kind = UploadStep::Kind::TrackPoint;
    step.trackPoint = std::move(record);
    return step;
}

UploadPart textPart(UploadKind kind, const TextRecords& records, UploadPlan& plan) {
    UploadPart part;
    part.kind = kind;
    switch (kind) {
        case UploadKind::Waypoints:
            for (link::WaypointRecord record : records.waypoints) {
                plan.changed.blanked += makeSendable(record);
                part.steps.push_back(waypointStep(std::move(record)));
            }
            break;
        case UploadKind::Track:
            for (link::TrackPointRecord record : records.trackPoints) {
                plan.changed.blanked += makeSendable(record);
                part.steps.push_back(trackStep(std::move(record)));
            }
            break;
        case UploadKind::Route:
            for (const TextRoute& route : records.routes) {
                std::vector<std::string> names;
                for (const link::WaypointRecord& entry : route.entries) {
                    std::string name = routeEntryName({"", entry.Field1, entry.Field4});
                    plan.changed.blanked += makeSendable(name);
                    names.push_back(std::move(name));
                }
                plan.routes.push_back({route.number, route.sentenceCount, route.entries});
                addRoute(part, routeSentences(route.number, route.sentenceCount, names));
            }
            break;
    }
    countRecords(part);
    return part;
}

}  // namespace

std::string RouteSentenceFields::text() const {
    return routeSentenceText(sentenceCount, sentenceNumber, routeNumber, commaNames);
}

std::int32_t sentencesFor(std::size_t names) {
    return static_cast<std::int32_t>((names + kNamesPerSentence - 1) / kNamesPerSentence);
}

std::vector<UploadStep> routeSentences(std::int32_t routeNumber, std::int32_t sentenceCount,
                                       const std::vector<std::string>& names) {
    std::vector<UploadStep> sentences;
    for (std::size_t first = 0; first < names.size(); first += kNamesPerSentence) {
        UploadStep step;
        step.kind = UploadStep::Kind::RouteSentence;
        step.route.sentenceCount = sentenceCount;
        step.route.sentenceNumber = static_cast<std::int32_t>(sentences.size()) + 1;
        step.route.routeNumber = routeNumber;
        const std::size_t end = std::min(names.size(), first + kNamesPerSentence);
        for (std::size_t i = first; i < end; ++i) {
            step.route.commaNames += "," + names[i];
        }
        step.records = static_cast<int>(end - first);
        sentences.push_back(std::move(step));
    }
    return sentences;
}

void addRoute(UploadPart& part, std::vector<UploadStep> sentences) {
    if (sentences.empty()) {
        ++part.trailingRoutes;
        return;
    }
    sentences.front().routes = part.trailingRoutes + 1;
    part.trailingRoutes = 0;
    for (UploadStep& step : sentences) {
        part.steps.push_back(std::move(step));
    }
}

void countRecords(UploadPart& part) {
    part.records = 0;
    for (const UploadStep& step : part.steps) {
        part.records += step.records;
    }
}

std::size_t UploadPlan::routeBegin(const UploadPart& part, std::size_t step) const {
    while (step > 0 && !part.steps[step].startsRoute()) {
        --step;
    }
    return step;
}

std::size_t UploadPlan::routeEnd(const UploadPart& part, std::size_t step) const {
    ++step;
    while (step < part.steps.size() && !part.steps[step].startsRoute()) {
        ++step;
    }
    return step;
}

TextRecords readTransferFile(UploadKind kind, const std::string& path) {
    TextRecords records;
    TransferFiles files;
    constexpr std::int32_t kNumber = 1;
    if (const auto why = files.openForInput(kNumber, path)) {
        records.failure = why;
        return records;
    }
    long lineNumber = 0;
    while (const auto line = files.readLine(kNumber)) {
        ++lineNumber;
        if (line->empty()) {
            continue;  // no record: passed over
        }
        if (auto why = readLine(kind, common::splitFields(*line), records)) {
            records.failure = std::move(why);
            records.failedLine = lineNumber;
            return records;
        }
    }
    return records;
}

PlanResult planTextUpload(UploadKind kind, const std::string& path) {
    const TextRecords records = readTransferFile(kind, path);
    if (records.failure) {
        return {std::nullopt, records.failedLine == 0
                                  ? "Can't open the file " + path + ": " + *records.failure
                                  : badLineMessage(path, records.failedLine, *records.failure) +
                                        " Nothing was sent."};
    }
    UploadPlan plan;
    plan.kind = kind;
    plan.parts.push_back(textPart(kind, records, plan));
    if (const std::string note = blankedTextNote(kind, plan.changed.blanked); !note.empty()) {
        plan.notes = " " + note;
    }
    return {std::move(plan), {}};
}

}  // namespace trawlix::transfer
