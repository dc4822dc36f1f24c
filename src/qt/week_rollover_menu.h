#pragma once

class QAction;
class QObject;

namespace trawlix::app {
class WeekRolloverWatch;
}

namespace trawlix::qt {

// "GPS Week Rollover" in the File menu, before `before`: Automatic, Off, or a number of
// 1024-week periods to add to the receiver's track dates in GPX files. The choice is kept
// in the settings file.
void addWeekRolloverMenu(QAction& before, app::WeekRolloverWatch& watch);

}  // namespace trawlix::qt
