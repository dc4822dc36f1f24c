#pragma once

#include <cstdint>
#include <string>

// The record objects of the GPS link. The link fills a record before it raises the Receive
// event that announces it; an upload fills WaypointRecord or TrackPointRecord before it asks
// the link to send it. How sentence fields map onto these members is written down once, in
// link/record_mapping.h.
namespace trawlix::link {

struct WaypointRecord {
    double Latitude = 0.0;   // decimal degrees, north positive
    double Longitude = 0.0;  // decimal degrees, east positive
    std::string Field1;
    std::string Field4;
    std::int16_t Field5 = 0;
    std::string Field6;
    std::int32_t Field7 = 0;
    float Field8 = 0.0f;
    float Field9 = 0.0f;
    std::string Field10;
};

struct HeaderRecord {
    std::string RouteNumber;
    std::int16_t SentenceCount = 0;  // route sentences that make up the route
};

struct TrackPointRecord {
    double Latitude = 0.0;
    double Longitude = 0.0;
    float Altitude = 0.0f;  // feet
    float Field6 = 0.0f;
    bool Field1 = false;
    std::string Field2;
    std::string Field7;
    std::string TrackName;  // empty on most receivers; not in the track file
};

struct FixRecord {
    std::string FixDate;  // digits
    std::string FixTime;  // digits
    double Latitude = 0.0;
    double Longitude = 0.0;
    float Altitude = 0.0f;  // metres
    float Hdop = 0.0f;
};

struct VersionRecord {
    std::string ProductId;
    std::string SoftwareVersion;
    std::string Description;
};

// Protocol texts: the command of each request, and what was sent last.
struct CommandState {
    std::string VersionCommand;
    std::string WaypointsCommand;
    std::string RoutesCommand;
    std::string TracksCommand;
    std::string EndCommand;
    std::string LastCommand;
    std::string CommandKind;  // the AckedKind that a command sentence is confirmed as
};

// Record kinds, as the ID of a Receive event, and the kind of the sentence that the latest
// acknowledgement confirmed.
struct TransferState {
    std::string VersionKind;
    std::string FixKind;
    std::string WaypointKind;
    std::string RouteKind;
    std::string RouteWaypointKind;
    std::string TrackPointKind;
    std::string AckKind;
    std::string IgnoredKind1;
    std::string IgnoredKind2;
    std::string AckedKind;
};

}  // namespace trawlix::link
