#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace trawlix::testing {
namespace {

using app::Label;

class NmeaDisplay : public FormFixture {
  protected:
    void sentence(const std::string& text) { link.nmea(text); }
    std::string label(Label l) { return view.caption(l); }
    void markAll() {
        for (Label l :
             {Label::Lat, Label::Lon, Label::Alt, Label::Time, Label::Date, Label::Hdop}) {
            view.captions[l] = "unchanged";
        }
    }
};

TEST_F(NmeaDisplay, GgaShowsPositionAndAltitude) {
    markAll();
    sentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
    EXPECT_EQ(label(Label::Lat), "48°07.038'N");
    EXPECT_EQ(label(Label::Lon), "11°31.000'E");
    EXPECT_EQ(label(Label::Alt), "1789.4 ft");
    EXPECT_EQ(label(Label::Time), "unchanged");
    EXPECT_EQ(label(Label::Date), "unchanged");
    EXPECT_EQ(label(Label::Hdop), "unchanged");
}

TEST_F(NmeaDisplay, RmcShowsTimeAndDate) {
    sentence("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A");
    EXPECT_EQ(label(Label::Time), "12:35:19");
    EXPECT_EQ(label(Label::Date), "03/23/2094");
}

TEST_F(NmeaDisplay, GsaShowsFieldFifteen) {
    sentence("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*39");
    EXPECT_EQ(label(Label::Hdop), "8.2021");
}

TEST_F(NmeaDisplay, LastFieldIsAFieldOfItsOwnWithOrWithoutChecksum) {
    sentence("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394*6A");
    EXPECT_EQ(label(Label::Date), "03/23/2094");
    sentence("$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,250495");
    EXPECT_EQ(label(Label::Date), "04/25/2095");
}

TEST_F(NmeaDisplay, ShortFieldsGiveShortOrEmptyResults) {
    sentence("$GPRMC,,A,,,,,,,2303");
    EXPECT_EQ(label(Label::Time), "");
    EXPECT_EQ(label(Label::Date), "03/23/20");
    sentence("$GPRMC,1");
    EXPECT_EQ(label(Label::Date), "//20");
    sentence("$GPGGA,1");
    EXPECT_EQ(label(Label::Lat), "°00.000'");
    EXPECT_EQ(label(Label::Lon), "°00.000'");
    EXPECT_EQ(label(Label::Alt), ".0 ft");
    sentence("$GPGSA,A");
    EXPECT_EQ(label(Label::Hdop), ".0000");
}

TEST_F(NmeaDisplay, RoundingWorksOnTheNumber) {
    sentence("$GPGGA,1,4759.9996,N,0,E,1,08,0.9,0,M");
    EXPECT_EQ(label(Label::Lat), "47°60.000'N");
    sentence("$GPRMC,123559.6,A");
    EXPECT_EQ(label(Label::Time), "12:35:60");
    sentence("$GPRMC,092204.999,A");
    EXPECT_EQ(label(Label::Time), "09:22:05");
}

TEST_F(NmeaDisplay, OtherSentencesChangeNothing) {
    markAll();
    for (const char* text : {"$gpgga,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M",
                             "$GPGLL,4916.45,N,12311.12,W,225444,A",
                             " $GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M", "$GPGGA", "",
                             "$GPRMC*6A", "garbage"}) {
        sentence(text);
    }
    for (Label l : {Label::Lat, Label::Lon, Label::Alt, Label::Time, Label::Date, Label::Hdop}) {
        EXPECT_EQ(label(l), "unchanged");
    }
}

TEST_F(NmeaDisplay, ChecksumErrorIsShownLikeAGoodSentence) {
    link.nmea("$GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1*00", true);
    EXPECT_EQ(label(Label::Hdop), "8.2021");
}

TEST_F(NmeaDisplay, FixThenGgaAndGgaThenFixShowTheLastWritten) {
    link.FixRecord() = {"", "0", 48.1173, -0.25, 0.0f, 0.0f};
    form->ShowFix();
    EXPECT_EQ(label(Label::Lat), "48.11730");
    EXPECT_EQ(label(Label::Lon), "-.25000");
    EXPECT_EQ(label(Label::Date), "");
    EXPECT_EQ(label(Label::Time), "00:00:00");
    sentence("$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47");
    EXPECT_EQ(label(Label::Lat), "48°07.038'N");
    form->ShowFix();
    EXPECT_EQ(label(Label::Lat), "48.11730");
}

TEST_F(NmeaDisplay, FixRecordPatterns) {
    link.FixRecord() = {"1012004", "93005", 0.0, -123.45678901, 100.0f, 1.2f};
    form->ShowFix();
    EXPECT_EQ(label(Label::Date), "01/01/2004");
    EXPECT_EQ(label(Label::Lat), ".00000");
    EXPECT_EQ(label(Label::Lon), "-123.45679");
    EXPECT_EQ(label(Label::Alt), "328.1");
    EXPECT_EQ(label(Label::Hdop), "3.9370");
}

TEST_F(NmeaDisplay, SentenceOfManyFieldsIsHandled) {
    std::string text = "$GPGSA";
    for (int i = 0; i < 40000; ++i) {
        text += ",1";
    }
    sentence(text);
    EXPECT_EQ(label(Label::Hdop), "3.2808");
}

}  // namespace
}  // namespace trawlix::testing
