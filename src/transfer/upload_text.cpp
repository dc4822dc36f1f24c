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

namespace {

// The text fields of an upload of `kind`, as they reach the receiver from a text file or,
// with `fromGpx`, from a GPX file, whose only text of a track is its name.
std::string fieldNoun(UploadKind kind, bool one, bool fromGpx) {
    switch (kind) {
        case UploadKind::Waypoints:
            return one ? "name or comment" : "names or comments";
        case UploadKind::Route:
            return one ? "name" : "names";
        case UploadKind::Track:
            break;
    }
    if (fromGpx) {
        return one ? "track name" : "track names";
    }
    return one ? "time or date" : "times or dates";
}

}  // namespace

std::string blankedTextNote(UploadKind kind, int changedFields) {
    if (changedFields <= 0) {
        return {};
    }
    return std::to_string(changedFields) + " " + fieldNoun(kind, changedFields == 1, false) +
           " had characters the GPS cannot take; they became blanks.";
}

std::string changedTextNote(UploadKind kind, const TextChanges& changes) {
    std::string note;
    if (changes.unaccented > 0) {
        note = std::to_string(changes.unaccented) + " " +
               fieldNoun(kind, changes.unaccented == 1, true) +
               " had letters the GPS cannot show; they were written without accents.";
    }
    if (changes.blanked > 0) {
        note += (note.empty() ? "" : " ") + std::to_string(changes.blanked) + " " +
                fieldNoun(kind, changes.blanked == 1, true) +
                " had characters the GPS cannot take; they became blanks.";
    }
    return note;
}

std::string routeSentenceText(long long sentenceCount, long long sentenceNumber, int routeNumber,
                              const std::string& commaNames) {
    return "$PMGNRTE," + common::formatInteger(sentenceCount) + "," +
           common::formatInteger(sentenceNumber) + ",c," +
           common::formatPattern(routeNumber, "00") + commaNames;
}

}  // namespace trawlix::transfer
