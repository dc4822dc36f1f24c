#include "transfer/upload_text.h"

#include <initializer_list>

#include "common/pattern_format.h"
#include "link/sentence_text.h"

namespace trawlix::transfer {
namespace {

int makeSendable(std::initializer_list<std::string*> fields) {
    int changed = 0;
    for (std::string* field : fields) {
        link::SentenceText safe = link::sentenceSafe(*field);
        if (safe.replaced > 0) {
            *field = std::move(safe.text);
            ++changed;
        }
    }
    return changed;
}

}  // namespace

int makeSendable(link::WaypointRecord& record) {
    return makeSendable({&record.Field1, &record.Field4, &record.Field10});
}

int makeSendable(link::TrackPointRecord& record) {
    return makeSendable({&record.Field2, &record.Field7});
}

int makeSendable(std::string& routeEntryName) {
    return makeSendable({&routeEntryName});
}

std::string blankedTextNote(UploadKind kind, int changedFields) {
    if (changedFields <= 0) {
        return {};
    }
    const bool one = changedFields == 1;
    std::string fields;
    switch (kind) {
        case UploadKind::Waypoints:
            fields = one ? "name or comment" : "names or comments";
            break;
        case UploadKind::Route:
            fields = one ? "name" : "names";
            break;
        case UploadKind::Track:
            fields = one ? "time or date" : "times or dates";
            break;
    }
    return std::to_string(changedFields) + " " + fields +
           " had characters the GPS cannot take; they became blanks.";
}

std::string routeSentenceText(long long sentenceCount, long long sentenceNumber, int routeNumber,
                              const std::string& commaNames) {
    return "$PMGNRTE," + common::formatInteger(sentenceCount) + "," +
           common::formatInteger(sentenceNumber) + ",c," +
           common::formatPattern(routeNumber, "00") + commaNames;
}

}  // namespace trawlix::transfer
