#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/gpx_mapping.h"

namespace trawlix::transfer::gpx {

// Reading XML is left to a library behind this interface (the Qt adapter in qt/ uses
// QXmlStreamReader), so that what GPX means stays here, free of any toolkit. The source
// resolves namespaces, entities, character references, CDATA and the declared encoding, and
// hands over element by element; all text is UTF-8.
struct XmlPosition {
    long line = 0;    // from 1; 0 when the fault is not at a place in the text
    long column = 0;  // of an element: where its start tag ends
};

struct XmlAttribute {
    std::string namespaceUri;
    std::string name;  // local name
    std::string value;
};

class XmlHandler {
  public:
    virtual ~XmlHandler() = default;
    // Each returns false to stop reading (the handler keeps why).
    virtual bool startElement(std::string_view namespaceUri, std::string_view name,
                              const std::vector<XmlAttribute>& attributes, XmlPosition where) = 0;
    virtual bool characters(std::string_view text) = 0;
    virtual bool endElement() = 0;
};

struct XmlFailure {
    std::string why;  // the reader's words, or the system's for a file that cannot be opened
    XmlPosition where;
};

class XmlSource {
  public:
    virtual ~XmlSource() = default;
    // Reads the whole file into `handler`; a failure when the file cannot be opened or is not
    // well-formed XML. A stop asked for by the handler is no failure of the source.
    virtual std::optional<XmlFailure> parse(const std::string& path, XmlHandler& handler) = 0;
};

// A GPX document read whole, or the message for the user (naming the file, and the line
// and column where they apply).
struct ReadResult {
    std::optional<Document> document;
    std::string error;
};

// Reads GPX 1.0 or 1.1: elements outside the GPX namespace and <extensions> are skipped,
// as are GPX elements that carry nothing of the receiver's (metadata, links, ...). A
// coordinate out of range, an elevation that is not a number or a time that cannot be read
// stops the reading with the line and column of its element.
ReadResult readDocument(const std::string& path, XmlSource& source);

}  // namespace trawlix::transfer::gpx
