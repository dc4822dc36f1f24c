#pragma once

#include <cstddef>
#include <string_view>

#include "link/protocol_texts.h"

namespace trawlix::link {

// What a receiver stores and a transfer moves, in the order a backup fetches them: waypoints
// first, since the routes name them.
enum class DataKind { Waypoints, Routes, Tracks };

// Every name of a kind, in one place: how the receiver is asked for it, the word of its
// sentences, the ID its records are raised with, and the words a user reads and types.
struct DataKindNames {
    DataKind kind;
    std::string_view command;   // the download request
    std::string_view word;      // the sentence word of its records
    std::string_view recordId;  // the Receive ID of a record (of a route's header)
    std::string_view name;      // "waypoints", "routes", "tracks": the command line's word
    std::string_view records;   // what the status bar counts: "waypoints", "track points"
};

inline constexpr DataKindNames kDataKinds[] = {
    {DataKind::Waypoints, protocol::kWaypointsCommand, protocol::kWaypointWord,
     protocol::kWaypointKind, "waypoints", "waypoints"},
    {DataKind::Routes, protocol::kRoutesCommand, protocol::kRouteWord, protocol::kRouteKind,
     "routes", "routes"},
    {DataKind::Tracks, protocol::kTracksCommand, protocol::kTrackWord, protocol::kTrackPointKind,
     "tracks", "track points"},
};

constexpr const DataKindNames& namesOf(DataKind kind) {
    return kDataKinds[static_cast<std::size_t>(kind)];
}
constexpr std::size_t indexOf(DataKind kind) {
    return static_cast<std::size_t>(kind);
}

// The kind a download request, a record's sentence word, or a command-line word names;
// nothing for any other text.
const DataKindNames* kindOfCommand(std::string_view command);
const DataKindNames* kindOfWord(std::string_view word);
const DataKindNames* kindOfName(std::string_view name);

}  // namespace trawlix::link
