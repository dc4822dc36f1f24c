// The live fix from the receiver's NMEA sentences.
#include <array>
#include <string_view>

#include "app/your_form.h"
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
// are empty; fields beyond kInitialFieldCount are not looked at. Views into the sentence,
// which a receiver sends several times a second: no copies.
using SentenceFields = std::array<std::string_view, kInitialFieldCount>;

SentenceFields sentenceFields(std::string_view sentence) {
    SentenceFields fields{};
    const std::size_t lastComma = sentence.rfind(',');
    sentence = sentence.substr(
        0, sentence.find('*', lastComma == std::string_view::npos ? 0 : lastComma + 1));
    std::size_t start = 0;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const std::size_t comma = sentence.find(',', start);
        fields[k] = sentence.substr(start, comma == std::string_view::npos ? comma : comma - start);
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    return fields;
}

double numberOf(std::string_view field) {
    return common::leadingNumber(field);
}

// Characters `first` and `first + 1` (counted from 1) of the text, as far as it reaches.
std::string twoCharactersAt(std::string_view text, std::size_t first) {
    return first - 1 < text.size() ? std::string(text.substr(first - 1, 2)) : std::string();
}

}  // namespace

void YourForm::Magellan_NMEA(std::string& RecvLine, bool& /*chkerr: not looked at*/) {
    if (RecvLine.find(',') == std::string::npos) {
        return;
    }
    if (nmeaOffAt_ >= 0.0 && clock_->seconds() - nmeaOffAt_ < kNmeaOffSettleSeconds) {
        return;
    }
    const SentenceFields f = sentenceFields(RecvLine);
    if (f[0] == "$GPGGA" || f[0] == "$GPRMC") {
        showLiveFix();
    }
    if (f[0] == "$GPGGA") {
        view_.setCaption(Label::Lat,
                         common::formatPattern(numberOf(f[2]), "##°00.000'").append(f[3]));
        view_.setCaption(Label::Lon,
                         common::formatPattern(numberOf(f[4]), "###°00.000'").append(f[5]));
        view_.setCaption(
            Label::Alt,
            common::formatPattern(numberOf(f[9]) / common::kMetresPerFoot, "######.0") + " ft");
    } else if (f[0] == "$GPRMC") {
        view_.setCaption(Label::Time, common::formatTextPattern(f[1], "00:00:00"));
        const std::string_view date = f[9];  // ddmmyy
        view_.setCaption(Label::Date, twoCharactersAt(date, 3) + "/" + twoCharactersAt(date, 1) +
                                          "/20" + twoCharactersAt(date, 5));
        noticeReceiverDate(f[2], f[9], f[1]);
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
