#pragma once

#include <string>

#include "link/records.h"
#include "transfer/upload_check.h"

// The text fields of records on their way to the receiver, made safe for a sentence by the
// one rule of link::sentenceSafe: a character a sentence cannot carry becomes a blank. Each
// returns how many fields it changed, so that the user can be told.
namespace trawlix::transfer {

// Name, comment and icon.
int makeSendable(link::WaypointRecord& record);
// Time and date.
int makeSendable(link::TrackPointRecord& record);
// A route entry's name.
int makeSendable(std::string& routeEntryName);

// "$PMGNRTE,count,number,c,route" and the names, each after a comma, of one route sentence
// (without checksum).
std::string routeSentenceText(long long sentenceCount, long long sentenceNumber, int routeNumber,
                              const std::string& commaNames);

// What the completion message adds when `changedFields` fields became sendable only with
// blanks; empty when none did.
std::string blankedTextNote(UploadKind kind, int changedFields);
// The text fields of a GPX file that had to change on their way to the receiver, by the
// change they needed: a character with no form the receiver can show (or one a sentence
// cannot carry) became a blank; or only letters were written without accents.
struct TextChanges {
    int blanked = 0;
    int unaccented = 0;
    int fields() const { return blanked + unaccented; }
};

// What the completion message of a GPX upload adds for `changes`: a sentence for each kind
// of change there was; empty when nothing changed.
std::string changedTextNote(UploadKind kind, const TextChanges& changes);

}  // namespace trawlix::transfer
