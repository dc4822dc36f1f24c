#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "link/records.h"
#include "transfer/upload_plan.h"

namespace trawlix::app {

// Where a transfer stands.
enum class Phase {
    Waiting,     // a download held until what stopped uploads owe is confirmed or dropped
    Requesting,  // a download asked for, nothing received yet
    Receiving,   // a download receiving its records
    Held,        // an upload held until what stopped uploads owe is confirmed or dropped
    Sending,     // an upload sending its sentences, one an acknowledgement
    Ending,      // an upload whose end went out, its confirmation awaited
};

// The transfer under way: what it is, its file, and how far it got. There is at most one;
// the window's file fields and PendingCommand are set from it.
struct Transfer {
    int entry = 0;  // the function list entry that started it
    bool gpx = false;
    Phase phase = Phase::Requesting;
    std::string fileName;

    // A download: its open file, and the command whose records come now. A route export
    // to GPX asks for the waypoints first, for the places of the route entries.
    std::int32_t fileNum = 0;
    std::string command;
    int records = 0;                                        // written to the file
    std::map<std::string, link::WaypointRecord> waypoints;  // fetched for the routes, by name
    std::string routeNumber;                                // of the route being written

    // An upload: its plan and the next sentence to send.
    transfer::UploadPlan plan;
    std::size_t part = 0;
    std::size_t next = 0;

    bool isDownload() const {
        return phase == Phase::Waiting || phase == Phase::Requesting || phase == Phase::Receiving;
    }
    bool isUpload() const { return !isDownload(); }
    const transfer::UploadPart& currentPart() const { return plan.parts[part]; }
    bool lastPart() const { return part + 1 >= plan.parts.size(); }
};

// What stopped uploads still owe the receiver. Their ends and a stopped route's rest wait
// in the link. The acknowledgements of their sentences, and of route sentences sent again,
// are theirs: they pace nothing.
struct Owed {
    int ends = 0;  // ends sent and not confirmed yet
    // Acknowledgements still to come that send nothing more, by the kind acknowledged.
    std::array<int, 3> acks{};
    bool cancel = false;        // Reset came while ends were owed: cancel once they are confirmed
    bool trackEnd = false;      // a track upload stopped part way and its end never went: the
                                // receiver would add the next track's points to it
    bool trackEndSent = false;  // that end went and is not confirmed yet

    int& acksOf(transfer::UploadKind kind) { return acks[static_cast<std::size_t>(kind)]; }
    bool nothing() const { return ends == 0 && acks == std::array<int, 3>{}; }
};

}  // namespace trawlix::app
