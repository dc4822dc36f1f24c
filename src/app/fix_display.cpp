// The fix and identity labels, filled from the link's fix and version records.
#include "app/your_form.h"
#include "common/pattern_format.h"
#include "common/units.h"

namespace trawlix::app {
void YourForm::ShowFix() {
    const link::FixRecord& fix = Magellan.FixRecord();
    view_.setCaption(Label::Date, common::formatTextPattern(fix.FixDate, "00/00/0000"));
    view_.setCaption(Label::Time, common::formatTextPattern(fix.FixTime, "00:00:00"));
    view_.setCaption(Label::Lat, common::formatPattern(fix.Latitude, "##.00000"));
    view_.setCaption(Label::Lon, common::formatPattern(fix.Longitude, "###.00000"));
    view_.setCaption(Label::Alt,
                     common::formatPattern(
                         static_cast<double>(fix.Altitude) / common::kMetresPerFoot, "######.0"));
    // Divided by metres per foot on purpose, like the live value under "HDOP" (see
    // nmea_display.cpp): the window shows what it always showed.
    view_.setCaption(
        Label::Hdop,
        common::formatPattern(static_cast<double>(fix.Hdop) / common::kMetresPerFoot, "####.0000"));
}

void YourForm::ShowVersion() {
    const link::VersionRecord& version = Magellan.VersionRecord();
    view_.setCaption(Label::ProductId, "PID " + version.ProductId);
    view_.setCaption(Label::Version, "Software Version " + version.SoftwareVersion);
    view_.setCaption(Label::GpsDesc, version.Description);
    weekRollover_.setReceiver(version.ProductId, version.SoftwareVersion);
    if (!transfer_) {
        showActivity("Ready");
    }
}

}  // namespace trawlix::app
