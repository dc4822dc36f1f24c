#include "link/protocol_texts.h"

#include <string>

namespace trawlix::link::protocol {

CommandState initialCommandState() {
    CommandState state;
    state.VersionCommand = kVersionCommand;
    state.WaypointsCommand = kWaypointsCommand;
    state.RoutesCommand = kRoutesCommand;
    state.TracksCommand = kTracksCommand;
    state.EndCommand = kEndCommand;
    state.CommandKind = kCommandKind;
    return state;
}

TransferState initialTransferState() {
    TransferState state;
    state.VersionKind = kVersionKind;
    state.FixKind = kFixKind;
    state.WaypointKind = kWaypointKind;
    state.RouteKind = kRouteKind;
    state.RouteWaypointKind = kRouteWaypointKind;
    state.TrackPointKind = kTrackPointKind;
    state.AckKind = kAckKind;
    state.IgnoredKind1 = kIgnoredKind1;
    state.IgnoredKind2 = kIgnoredKind2;
    return state;
}

}  // namespace trawlix::link::protocol
