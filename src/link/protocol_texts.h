#pragma once

#include <string_view>

#include "link/records.h"

// Every protocol text that the window and the link share, in one place.
namespace trawlix::link::protocol {

// Commands, host to receiver. Sent without checksum: the link adds it when framing.
inline constexpr std::string_view kVersionCommand = "$PMGNCMD,VERSION";
inline constexpr std::string_view kWaypointsCommand = "$PMGNCMD,WAYPOINT";
inline constexpr std::string_view kRoutesCommand = "$PMGNCMD,ROUTE";
inline constexpr std::string_view kTracksCommand = "$PMGNCMD,TRACK,2";
inline constexpr std::string_view kEndCommand = "$PMGNCMD,END";
inline constexpr std::string_view kHandOnCommand = "$PMGNCMD,HANDON";
inline constexpr std::string_view kHandOffCommand = "$PMGNCMD,HANDOFF";
inline constexpr std::string_view kNmeaOnCommand = "$PMGNCMD,NMEAON";
inline constexpr std::string_view kNmeaOffCommand = "$PMGNCMD,NMEAOFF";

// Sentence words, as they stand after "$".
inline constexpr std::string_view kCommandWord = "PMGNCMD";
inline constexpr std::string_view kVersionWord = "PMGNVER";
inline constexpr std::string_view kWaypointWord = "PMGNWPL";
inline constexpr std::string_view kRouteWord = "PMGNRTE";
inline constexpr std::string_view kTrackWord = "PMGNTRK";
inline constexpr std::string_view kAckWord = "PMGNCSM";
inline constexpr std::string_view kProprietaryPrefix = "PMGN";
inline constexpr std::string_view kEndWord = "END";

// Record kinds: the ID of a Receive event, and the AckedKind of an acknowledgement. A kind is
// the word of the sentence it comes from; a route sentence yields a header (RouteKind) and
// then one route waypoint per entry (RouteWaypointKind).
inline constexpr std::string_view kVersionKind = kVersionWord;
inline constexpr std::string_view kWaypointKind = kWaypointWord;
inline constexpr std::string_view kRouteKind = kRouteWord;
inline constexpr std::string_view kRouteWaypointKind = "PMGNRTE-WPT";
inline constexpr std::string_view kTrackPointKind = kTrackWord;
inline constexpr std::string_view kAckKind = kAckWord;
inline constexpr std::string_view kCommandKind = kCommandWord;
// Receivers of this family send no fix record of their own: the live fix comes as NMEA. The
// kind exists so that a fix acknowledgement has a name; the serial link never raises it.
inline constexpr std::string_view kFixKind = "PMGNFIX";
// Raised for a command that the receiver sends other than END, and for any other $PMGN
// sentence the link does not decode; the window passes over both.
inline constexpr std::string_view kIgnoredKind1 = kCommandWord;
inline constexpr std::string_view kIgnoredKind2 = "PMGN?";
// The ID of the end marker of a download.
inline constexpr std::string_view kEndId = kEndWord;

// How often a sentence in acknowledgement mode is sent before its sender gives up: the same
// for the link and for the receivers of this family.
inline constexpr int kSendsPerSentence = 3;
// How long a receiver of this family waits for the acknowledgement of a sentence it sent
// before it sends it again, in milliseconds. A download's END whose acknowledgement was lost
// comes again after this, and must not pass for the end of the next download.
inline constexpr int kReceiverResendMs = 1500;

// The state objects as a freshly created link holds them.
CommandState initialCommandState();
TransferState initialTransferState();

}  // namespace trawlix::link::protocol
