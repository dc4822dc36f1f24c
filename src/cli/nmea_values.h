#pragma once

#include <string>

#include "link/gps_link.h"

namespace trawlix::app {
class YourForm;
}

namespace trawlix::cli {

// What `trawlix-cli nmea` prints beyond the window's captions: the dilutions of precision
// under their true names (PDOP, HDOP and VDOP, fields 15 to 17 of $GPGSA) and the altitude
// in metres as the receiver sends it ($GPGGA field 9). The window keeps showing its own
// "HDOP" value; a script wants the real ones.
class NmeaValues {
  public:
    // Takes one NMEA sentence as it came off the line ("$GPGSA,...*32"); true when any of
    // the values changed. Sentences of other kinds, and fields that are not numbers, change
    // nothing.
    bool take(const std::string& sentence);

    // "1529.0 m", or "- m" before the first altitude.
    std::string altitudeText() const;
    // "PDOP 2.5 HDOP 1.3 VDOP 2.1", a "-" for each value not received yet.
    std::string precisionText() const;

  private:
    std::string metres_;
    std::string pdop_;
    std::string hdop_;
    std::string vdop_;
};

// Hands every event of the link on to the window's logic, and the undamaged NMEA
// sentences to `values` as well, so that the console sees what the window does and more.
class NmeaTap : public link::GpsLinkListener {
  public:
    NmeaTap(app::YourForm& form, NmeaValues& values) : form_(form), values_(values) {}

    void Receive(std::string& ID, std::string& RecvLine) override;
    void NMEA(std::string& RecvLine, bool& chkerr) override;
    void cError(std::int16_t& cErr, std::string& eMessage, std::string& message) override;
    void mDebug(std::string& message) override;

    // True once after the values changed.
    bool takeChange();

  private:
    app::YourForm& form_;
    NmeaValues& values_;
    bool changed_ = false;
};

}  // namespace trawlix::cli
