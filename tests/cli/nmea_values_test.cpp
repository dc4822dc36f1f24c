// What trawlix-cli nmea prints beyond the window's captions.
#include "cli/nmea_values.h"

#include <gtest/gtest.h>

#include "app/your_form.h"
#include "cli/console_view.h"
#include "support/fake_gps_link.h"
#include "support/scripted_view.h"

namespace trawlix::testing {
namespace {

TEST(NmeaValues, TrueDilutionsOfPrecisionAndAltitudeInMetres) {
    cli::NmeaValues values;
    EXPECT_EQ(values.precisionText(), "PDOP - HDOP - VDOP -");
    EXPECT_EQ(values.altitudeText(), "- m");
    EXPECT_TRUE(values.take("$GPGSA,A,3,02,05,07,13,20,26,29,,,,,,1.9,1.1,1.6*32"));
    EXPECT_EQ(values.precisionText(), "PDOP 1.9 HDOP 1.1 VDOP 1.6");
    EXPECT_TRUE(
        values.take("$GPGGA,094110.00,4717.112,N,00832.456,E,1,07,1.1,432.5,M,48.0,M,,*63"));
    EXPECT_EQ(values.altitudeText(), "432.5 m");
    EXPECT_TRUE(values.take("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.55,01.3,2.1*39"));
    EXPECT_EQ(values.precisionText(), "PDOP 2.55 HDOP 1.3 VDOP 2.1");
}

TEST(NmeaValues, RepeatsOtherKindsAndDamagedFieldsChangeNothing) {
    cli::NmeaValues values;
    values.take("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    EXPECT_FALSE(values.take("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39"));
    EXPECT_FALSE(values.take("$GPRMC,094110.00,A,4717.112,N,00832.456,E,002.9,061.7,070826,,*5C"));
    EXPECT_FALSE(values.take("$GPGSA,A,3"));
    EXPECT_FALSE(values.take("$GPGSA,A,3,04,05,,09,12,,,24,,,,,x,,-*39"));
    EXPECT_FALSE(values.take("$GPGGA,1,2,N,3,E,1,07,1.1,,M*00"));
    EXPECT_EQ(values.precisionText(), "PDOP 2.5 HDOP 1.3 VDOP 2.1");
    EXPECT_EQ(values.altitudeText(), "- m");
}

TEST(NmeaTap, TheWindowLogicSeesEverythingAndDamagedSentencesAreNotTaken) {
    ScriptedView view;
    FakeGpsLink link;
    MemorySettings settings;
    app::YourForm form(view, link, settings, "/opt/trawlix");
    cli::NmeaValues values;
    cli::NmeaTap tap(form, values);
    link.setListener(&tap);

    link.nmea("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39", true);
    EXPECT_FALSE(tap.takeChange());
    EXPECT_FALSE(view.caption(app::Label::Hdop).empty()) << "the window shows it as before";
    link.nmea("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    EXPECT_TRUE(tap.takeChange());
    EXPECT_FALSE(tap.takeChange());
    link.debug("a line");
    EXPECT_EQ(view.listLines, (std::vector<std::string>{"a line"}));
    link.replyVersion("GPS315", "1.0", "");
    EXPECT_EQ(view.caption(app::Label::ProductId), "PID GPS315");
    link.setListener(nullptr);
}

TEST(ConsoleFixLine, AltitudeBelowAFootHasADigitBeforeThePoint) {
    cli::ConsoleView view(stdout, stderr, false);
    const cli::NmeaValues values;
    for (const auto& [caption, shown] : std::vector<std::pair<std::string, std::string>>{
             {".0 ft", " 0.0 ft "}, {"-.3 ft", " -0.3 ft "}, {"1789.4 ft", " 1789.4 ft "}}) {
        view.setCaption(app::Label::Alt, caption);
        EXPECT_NE(view.fixLine(values).find(shown), std::string::npos) << view.fixLine(values);
    }
}

}  // namespace
}  // namespace trawlix::testing
