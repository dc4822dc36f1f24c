#include "link/gps_link.h"

#include "link/protocol_texts.h"

namespace trawlix::link {

GpsLink::GpsLink()
    : commandState_(protocol::initialCommandState()),
      transferState_(protocol::initialTransferState()) {}

// Events hand copies to the listener: its handlers take their arguments by reference and
// may change them, which must not reach the link's own state.
void GpsLink::raiseReceive(const std::string& id, const std::string& line) {
    if (listener_ != nullptr) {
        std::string idCopy = id;
        std::string lineCopy = line;
        listener_->Receive(idCopy, lineCopy);
    }
}

void GpsLink::raiseNmea(const std::string& line, bool checksumError) {
    if (nmeaTap_) {
        nmeaTap_(line, checksumError);
    }
    if (listener_ != nullptr) {
        std::string lineCopy = line;
        bool flag = checksumError;
        listener_->NMEA(lineCopy, flag);
    }
}

void GpsLink::raiseError(std::int16_t errorClass, const std::string& text,
                         const std::string& sentence) {
    if (listener_ != nullptr) {
        std::int16_t classCopy = errorClass;
        std::string textCopy = text;
        std::string sentenceCopy = sentence;
        listener_->cError(classCopy, textCopy, sentenceCopy);
    }
}

void GpsLink::raiseDebug(const std::string& text) {
    if (listener_ != nullptr) {
        std::string copy = text;
        listener_->mDebug(copy);
    }
}

}  // namespace trawlix::link
