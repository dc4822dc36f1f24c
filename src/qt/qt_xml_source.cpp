#include "qt/qt_xml_source.h"

#include <QFile>
#include <QXmlStreamReader>

namespace trawlix::qt {
namespace {

using transfer::gpx::XmlAttribute;
using transfer::gpx::XmlFailure;
using transfer::gpx::XmlPosition;

XmlPosition positionOf(const QXmlStreamReader& reader) {
    return {static_cast<long>(reader.lineNumber()), static_cast<long>(reader.columnNumber())};
}

std::vector<XmlAttribute> attributesOf(const QXmlStreamReader& reader) {
    std::vector<XmlAttribute> attributes;
    for (const QXmlStreamAttribute& attribute : reader.attributes()) {
        attributes.push_back({attribute.namespaceUri().toString().toStdString(),
                              attribute.name().toString().toStdString(),
                              attribute.value().toString().toStdString()});
    }
    return attributes;
}

// One token to the handler; false when the handler asks to stop.
bool deliver(QXmlStreamReader& reader, transfer::gpx::XmlHandler& handler) {
    switch (reader.tokenType()) {
        case QXmlStreamReader::StartElement:
            return handler.startElement(reader.namespaceUri().toString().toStdString(),
                                        reader.name().toString().toStdString(),
                                        attributesOf(reader), positionOf(reader));
        case QXmlStreamReader::EndElement:
            return handler.endElement();
        case QXmlStreamReader::Characters:
            return handler.characters(reader.text().toString().toStdString());
        case QXmlStreamReader::EntityReference:
            // An entity the document uses but never declares: not well-formed for us.
            reader.raiseError(
                QStringLiteral("the entity &%1; is not declared").arg(reader.name().toString()));
            return true;
        default:
            return true;
    }
}

}  // namespace

std::optional<XmlFailure> QtXmlSource::parse(const std::string& path,
                                             transfer::gpx::XmlHandler& handler) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return XmlFailure{file.errorString().toStdString(), {}};
    }
    QXmlStreamReader reader(&file);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.hasError()) {
            break;
        }
        if (!deliver(reader, handler)) {
            return std::nullopt;
        }
    }
    if (reader.hasError()) {
        return XmlFailure{reader.errorString().toStdString(), positionOf(reader)};
    }
    return std::nullopt;
}

}  // namespace trawlix::qt
