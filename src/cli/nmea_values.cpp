#include "cli/nmea_values.h"

#include <vector>

#include "app/your_form.h"
#include "common/numbers.h"
#include "common/pattern_format.h"
#include "link/sentence.h"

namespace trawlix::cli {
namespace {

// Fields after the sentence word, counted from 1 as NMEA documents them.
constexpr std::size_t kGgaAltitude = 9;
constexpr std::size_t kGsaPdop = 15;
constexpr std::size_t kGsaHdop = 16;
constexpr std::size_t kGsaVdop = 17;

// Field `number` of `fields` as a number written plainly, or nothing.
std::optional<double> numberAt(const std::vector<std::string>& fields, std::size_t number) {
    if (number == 0 || number > fields.size()) {
        return std::nullopt;
    }
    return common::strictDouble(fields[number - 1]);
}

bool update(std::string& value, const std::optional<double>& number, const char* pattern) {
    if (!number) {
        return false;
    }
    std::string text = common::formatPattern(*number, pattern);
    if (text == value) {
        return false;
    }
    value = std::move(text);
    return true;
}

std::string orDash(const std::string& value) {
    return value.empty() ? "-" : value;
}

}  // namespace

bool NmeaValues::take(const std::string& sentence) {
    const link::ReceivedSentence parsed = link::parseSentence(sentence);
    const std::string_view word = parsed.word();
    if (word == "GPGGA") {
        return update(metres_, numberAt(parsed.fields(), kGgaAltitude), "0.0");
    }
    if (word == "GPGSA") {
        const std::vector<std::string> fields = parsed.fields();
        const bool pdop = update(pdop_, numberAt(fields, kGsaPdop), "0.0#");
        const bool hdop = update(hdop_, numberAt(fields, kGsaHdop), "0.0#");
        const bool vdop = update(vdop_, numberAt(fields, kGsaVdop), "0.0#");
        return pdop || hdop || vdop;
    }
    return false;
}

std::string NmeaValues::altitudeText() const {
    return orDash(metres_) + " m";
}

std::string NmeaValues::precisionText() const {
    return "PDOP " + orDash(pdop_) + " HDOP " + orDash(hdop_) + " VDOP " + orDash(vdop_);
}

void NmeaTap::Receive(std::string& ID, std::string& RecvLine) {
    form_.Magellan_Receive(ID, RecvLine);
}

void NmeaTap::NMEA(std::string& RecvLine, bool& chkerr) {
    // Copied first: the window's handler takes the line by reference.
    const std::string sentence = RecvLine;
    const bool damaged = chkerr;
    form_.Magellan_NMEA(RecvLine, chkerr);
    if (!damaged && values_.take(sentence)) {
        changed_ = true;
    }
}

void NmeaTap::cError(std::int16_t& cErr, std::string& eMessage, std::string& message) {
    form_.Magellan_cError(cErr, eMessage, message);
}

void NmeaTap::mDebug(std::string& message) {
    form_.Magellan_mDebug(message);
}

bool NmeaTap::takeChange() {
    const bool changed = changed_;
    changed_ = false;
    return changed;
}

}  // namespace trawlix::cli
