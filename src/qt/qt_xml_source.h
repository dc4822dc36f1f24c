#pragma once

#include "transfer/gpx_reader.h"

namespace trawlix::qt {

// XML read with Qt's QXmlStreamReader: it decodes the encoding the document declares,
// resolves namespaces, entities and character references and reports CDATA as text, with
// the line and column of every fault.
class QtXmlSource : public transfer::gpx::XmlSource {
  public:
    std::optional<transfer::gpx::XmlFailure> parse(const std::string& path,
                                                   transfer::gpx::XmlHandler& handler) override;
};

}  // namespace trawlix::qt
