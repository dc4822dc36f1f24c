#include "qt/qt_xml_source.h"

#include <QFile>
#include <QXmlStreamReader>
#include <deque>
#include <utility>

namespace trawlix::qt {
namespace {

using transfer::gpx::XmlAttribute;
using transfer::gpx::XmlFailure;
using transfer::gpx::XmlPosition;

XmlPosition positionOf(const QXmlStreamReader& reader) {
    return {static_cast<long>(reader.lineNumber()), static_cast<long>(reader.columnNumber())};
}

// Hands the reader's tokens over as UTF-8. A GPX file repeats a handful of element names
// and one namespace tens of thousands of times: their UTF-8 is kept rather than made anew
// for each element, and the attribute list is reused.
class Delivery {
  public:
    Delivery(QXmlStreamReader& reader, transfer::gpx::XmlHandler& handler)
        : reader_(reader), handler_(handler) {}

    // One token to the handler; false when the handler asks to stop.
    bool deliver() {
        switch (reader_.tokenType()) {
            case QXmlStreamReader::StartElement:
                return startElement();
            case QXmlStreamReader::EndElement:
                return handler_.endElement();
            case QXmlStreamReader::Characters:
                // Blanks between elements carry nothing of GPX.
                return reader_.isWhitespace() ||
                       handler_.characters(reader_.text().toUtf8().toStdString());
            case QXmlStreamReader::EntityReference:
                // An entity the document uses but never declares.
                reader_.raiseError(QStringLiteral("the entity &%1; is not declared")
                                       .arg(reader_.name().toString()));
                return true;
            default:
                return true;
        }
    }

  private:
    const std::string& utf8(QStringView text) {
        // A look through the few names seen so far costs less than a hash of a new QString.
        for (const auto& [name, bytes] : names_) {
            if (name == text) {
                return bytes;
            }
        }
        names_.emplace_back(text.toString(), text.toUtf8().toStdString());
        return names_.back().second;
    }

    bool startElement() {
        const QXmlStreamAttributes attributes = reader_.attributes();
        attributes_.resize(static_cast<std::size_t>(attributes.size()));
        for (qsizetype i = 0; i < attributes.size(); ++i) {
            XmlAttribute& attribute = attributes_[static_cast<std::size_t>(i)];
            attribute.namespaceUri = utf8(attributes[i].namespaceUri());
            attribute.name = utf8(attributes[i].name());
            attribute.value = attributes[i].value().toUtf8().toStdString();
        }
        return handler_.startElement(utf8(reader_.namespaceUri()), utf8(reader_.name()),
                                     attributes_, positionOf(reader_));
    }

    QXmlStreamReader& reader_;
    transfer::gpx::XmlHandler& handler_;
    std::deque<std::pair<QString, std::string>> names_;  // a deque keeps references valid
    std::vector<XmlAttribute> attributes_;
};

}  // namespace

std::optional<XmlFailure> QtXmlSource::parse(const std::string& path,
                                             transfer::gpx::XmlHandler& handler) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return XmlFailure{file.errorString().toStdString(), {}};
    }
    QXmlStreamReader reader(&file);
    Delivery delivery(reader, handler);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.hasError()) {
            break;
        }
        if (!delivery.deliver()) {
            return std::nullopt;
        }
    }
    if (reader.hasError()) {
        return XmlFailure{reader.errorString().toStdString(), positionOf(reader)};
    }
    return std::nullopt;
}

}  // namespace trawlix::qt
