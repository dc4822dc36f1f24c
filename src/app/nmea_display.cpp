// The live fix from the receiver's NMEA sentences.
#include "app/your_form.h"
#include "common/line_split.h"
#include "common/numbers.h"
#include "common/pattern_format.h"
#include "common/units.h"

namespace trawlix::app {
namespace {

constexpr std::size_t kInitialFieldCount = 30;
// After NMEA Off, the rest of the fix under way is still crossing the line (at 4800 baud a
// fix takes about half a second) and the receiver takes the command only after it: those
// sentences would bring back labels that were just emptied. A receiver that goes on sending
// of its own accord is shown again after this.
constexpr double kNmeaOffSettleSeconds = 1.5;

// The sentence's fields: field 0 is the identifier, field k the text after the k-th comma;
// the checksum after "*" in the last field is dropped. Fields the sentence does not reach
// are empty.
std::vector<std::string> sentenceFields(const std::string& sentence) {
    std::vector<std::string> fields = common::splitFields(sentence);
    std::string& last = fields.back();
    last = last.substr(0, last.find('*'));
    if (fields.size() < kInitialFieldCount) {
        fields.resize(kInitialFieldCount);
    }
    return fields;
}

double numberOf(const std::string& field) {
    return common::leadingNumber(field);
}

// Characters `first` and `first + 1` (counted from 1) of the text, as far as it reaches.
std::string twoCharactersAt(const std::string& text, std::size_t first) {
    return first - 1 < text.size() ? text.substr(first - 1, 2) : std::string();
}

}  // namespace

void YourForm::Magellan_NMEA(std::string& RecvLine, bool& /*chkerr: not looked at*/) {
    if (RecvLine.find(',') == std::string::npos) {
        return;
    }
    if (nmeaOffAt_ >= 0.0 && clock_->seconds() - nmeaOffAt_ < kNmeaOffSettleSeconds) {
        return;
    }
    const std::vector<std::string> f = sentenceFields(RecvLine);
    if (f[0] == "$GPGGA" || f[0] == "$GPRMC") {
        showLiveFix();
    }
    if (f[0] == "$GPGGA") {
        view_.setCaption(Label::Lat, common::formatPattern(numberOf(f[2]), "##°00.000'") + f[3]);
        view_.setCaption(Label::Lon, common::formatPattern(numberOf(f[4]), "###°00.000'") + f[5]);
        view_.setCaption(
            Label::Alt,
            common::formatPattern(numberOf(f[9]) / common::kMetresPerFoot, "######.0") + " ft");
    } else if (f[0] == "$GPRMC") {
        view_.setCaption(Label::Time, common::formatTextPattern(f[1], "00:00:00"));
        const std::string& date = f[9];  // ddmmyy
        view_.setCaption(Label::Date, twoCharactersAt(date, 3) + "/" + twoCharactersAt(date, 1) +
                                          "/20" + twoCharactersAt(date, 5));
        noticeReceiverDate(f);
    } else if (f[0] == "$GPGSA") {
        // Kept on purpose as the original window shows it: field 15 (the first after the
        // twelve satellites, which is the PDOP) divided by metres per foot, under "HDOP".
        // Users compare it with what they saw before, so it is not "corrected" here;
        // trawlix-cli nmea prints the true PDOP, HDOP and VDOP.
        view_.setCaption(Label::Hdop, common::formatPattern(
                                          numberOf(f[15]) / common::kMetresPerFoot, "####.0000"));
    }
}

}  // namespace trawlix::app
