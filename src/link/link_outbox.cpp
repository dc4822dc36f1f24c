#include "link/link_outbox.h"

#include <utility>

namespace trawlix::link {

void LinkOutbox::receive(std::string_view id, const std::string& line, LinkEvent::Record record) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Receive;
    event.id = id;
    event.text = line;
    event.record = std::move(record);
    events_.push_back(std::move(event));
}

void LinkOutbox::acknowledged(std::string_view ackKind, const std::string& ackedKind,
                              const std::string& lastCommand) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Receive;
    event.id = ackKind;
    event.ackedKind = ackedKind;
    event.lastCommand = lastCommand;
    events_.push_back(std::move(event));
}

void LinkOutbox::nmea(const std::string& line, bool checksumError) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Nmea;
    event.text = line;
    event.checksumError = checksumError;
    events_.push_back(std::move(event));
}

void LinkOutbox::error(std::int16_t errorClass, const std::string& text,
                       const std::string& sentence) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Error;
    event.errorClass = errorClass;
    event.text = text;
    event.sentence = sentence;
    events_.push_back(std::move(event));
}

void LinkOutbox::debug(const std::string& text) {
    LinkEvent event;
    event.kind = LinkEvent::Kind::Debug;
    event.text = text;
    events_.push_back(std::move(event));
}

std::string LinkOutbox::takeOutput() {
    std::string out;
    out.swap(output_);
    return out;
}

std::optional<LinkEvent> LinkOutbox::takeEvent() {
    if (events_.empty()) {
        return std::nullopt;
    }
    LinkEvent event = std::move(events_.front());
    events_.pop_front();
    return event;
}

}  // namespace trawlix::link
