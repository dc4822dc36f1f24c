#include "transfer/gpx_reader.h"

#include "common/numbers.h"
#include "common/sentence_end.h"

namespace trawlix::transfer::gpx {
namespace {

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string positionText(XmlPosition where) {
    return "line " + std::to_string(where.line) + ", column " + std::to_string(where.column);
}

// Builds the document from the elements the source hands over.
class DocumentBuilder : public XmlHandler {
  public:
    Document document;
    std::optional<std::string> fault;  // why the reading stopped, with its place
    bool sawRoot = false;

    bool startElement(std::string_view namespaceUri, std::string_view name,
                      const std::vector<XmlAttribute>& attributes, XmlPosition where) override;
    bool characters(std::string_view text) override;
    bool endElement() override;

  private:
    enum class Context { Gpx, Waypoint, Route, Track, Segment, Point, Leaf };

    bool startRoot(std::string_view namespaceUri, std::string_view name);
    std::optional<Context> childContext(std::string_view name) const;
    bool startPoint(const std::vector<XmlAttribute>& attributes, XmlPosition where);
    bool endLeaf();
    bool pointLeaf(Point& point);
    bool fail(const std::string& why, XmlPosition where);

    std::string namespace_;
    std::vector<Context> contexts_;
    int skipped_ = 0;  // depth inside an element that is skipped whole
    Point point_;
    Context pointOwner_ = Context::Waypoint;
    std::string leafName_;
    std::string leafText_;
    XmlPosition leafWhere_;
};

bool DocumentBuilder::fail(const std::string& why, XmlPosition where) {
    fault = positionText(where) + ": " + why;
    return false;
}

bool DocumentBuilder::startRoot(std::string_view namespaceUri, std::string_view name) {
    sawRoot = true;
    if (name != "gpx" ||
        (namespaceUri != kNamespace11 && namespaceUri != kNamespace10 && !namespaceUri.empty())) {
        fault = "it is not a GPX file (its outermost element is <" + std::string(name) + ">)";
        return false;
    }
    namespace_ = namespaceUri;
    contexts_.push_back(Context::Gpx);
    return true;
}

// What a GPX element means under the element now open; nothing when it is skipped.
std::optional<DocumentBuilder::Context> DocumentBuilder::childContext(std::string_view name) const {
    switch (contexts_.back()) {
        case Context::Gpx:
            if (name == "wpt") {
                return Context::Waypoint;
            }
            if (name == "rte") {
                return Context::Route;
            }
            if (name == "trk") {
                return Context::Track;
            }
            return std::nullopt;
        case Context::Route:
            if (name == "rtept") {
                return Context::Point;
            }
            return name == "name" || name == "number" ? std::optional(Context::Leaf) : std::nullopt;
        case Context::Track:
            if (name == "trkseg") {
                return Context::Segment;
            }
            return name == "name" ? std::optional(Context::Leaf) : std::nullopt;
        case Context::Segment:
            return name == "trkpt" ? std::optional(Context::Point) : std::nullopt;
        case Context::Waypoint:
        case Context::Point:
            if (name == "ele" || name == "time" || name == "name" || name == "cmt" ||
                name == "desc" || name == "sym" || name == "fix") {
                return Context::Leaf;
            }
            return std::nullopt;
        case Context::Leaf:
            return std::nullopt;
    }
    return std::nullopt;
}

bool DocumentBuilder::startElement(std::string_view namespaceUri, std::string_view name,
                                   const std::vector<XmlAttribute>& attributes, XmlPosition where) {
    if (skipped_ > 0) {
        ++skipped_;
        return true;
    }
    if (contexts_.empty()) {
        return startRoot(namespaceUri, name);
    }
    const auto context = namespaceUri == namespace_ ? childContext(name) : std::optional<Context>();
    if (!context) {
        skipped_ = 1;
        return true;
    }
    switch (*context) {
        case Context::Waypoint:
            pointOwner_ = Context::Waypoint;
            contexts_.push_back(Context::Point);
            return startPoint(attributes, where);
        case Context::Point:
            pointOwner_ = contexts_.back();
            contexts_.push_back(Context::Point);
            return startPoint(attributes, where);
        case Context::Route:
            document.routes.emplace_back();
            break;
        case Context::Track:
            document.tracks.emplace_back();
            break;
        case Context::Segment:
            document.tracks.back().segments.emplace_back();
            break;
        case Context::Leaf:
            leafName_ = name;
            leafText_.clear();
            leafWhere_ = where;
            break;
        case Context::Gpx:
            break;
    }
    contexts_.push_back(*context);
    return true;
}

bool DocumentBuilder::startPoint(const std::vector<XmlAttribute>& attributes, XmlPosition where) {
    point_ = Point{};
    std::optional<double> latitude;
    std::optional<double> longitude;
    for (const auto& attribute : attributes) {
        if (!attribute.namespaceUri.empty()) {
            continue;
        }
        if (attribute.name == "lat") {
            latitude = common::strictDouble(attribute.value);
            if (!latitude || *latitude < -90.0 || *latitude > 90.0) {
                return fail(
                    "the latitude \"" + attribute.value + "\" is not a number from -90 to 90",
                    where);
            }
        } else if (attribute.name == "lon") {
            longitude = common::strictDouble(attribute.value);
            if (!longitude || *longitude < -180.0 || *longitude > 180.0) {
                return fail(
                    "the longitude \"" + attribute.value + "\" is not a number from -180 to 180",
                    where);
            }
        }
    }
    if (!latitude || !longitude) {
        return fail("a point without lat and lon", where);
    }
    point_.latitude = *latitude;
    point_.longitude = *longitude;
    return true;
}

bool DocumentBuilder::characters(std::string_view text) {
    if (skipped_ == 0 && !contexts_.empty() && contexts_.back() == Context::Leaf) {
        leafText_ += text;
    }
    return true;
}

bool DocumentBuilder::endElement() {
    if (skipped_ > 0) {
        --skipped_;
        return true;
    }
    const Context ended = contexts_.back();
    contexts_.pop_back();
    if (ended == Context::Leaf) {
        return endLeaf();
    }
    if (ended == Context::Point) {
        switch (pointOwner_) {
            case Context::Route:
                document.routes.back().points.push_back(std::move(point_));
                break;
            case Context::Segment:
                document.tracks.back().segments.back().push_back(std::move(point_));
                break;
            default:
                document.waypoints.push_back(std::move(point_));
                break;
        }
    }
    return true;
}

bool DocumentBuilder::endLeaf() {
    const std::string text(trimmed(leafText_));
    switch (contexts_.back()) {
        case Context::Route:
            if (leafName_ == "name") {
                document.routes.back().name = text;
                return true;
            }
            if (const auto number = common::strictInt32(text);
                number && *number >= 0 && text.find_first_of(".eE") == std::string::npos) {
                document.routes.back().number = *number;
                return true;
            }
            return fail("the route number \"" + text + "\" is not a whole number", leafWhere_);
        case Context::Track:
            document.tracks.back().name = text;
            return true;
        case Context::Point:
            return pointLeaf(point_);
        default:
            return true;
    }
}

bool DocumentBuilder::pointLeaf(Point& point) {
    const std::string text(trimmed(leafText_));
    if (leafName_ == "ele") {
        point.elevation = common::strictDouble(text);
        if (!point.elevation) {
            return fail("the elevation \"" + text + "\" is not a number", leafWhere_);
        }
    } else if (leafName_ == "time") {
        point.time = utcTimeFromIso(text);
        if (!point.time) {
            return fail("the time \"" + text + "\" cannot be read (2008-08-11T07:15:48Z)",
                        leafWhere_);
        }
    } else if (leafName_ == "name") {
        point.name = text;
    } else if (leafName_ == "cmt") {
        point.comment = text;
    } else if (leafName_ == "desc") {
        if (point.comment.empty()) {
            point.comment = text;
        }
    } else if (leafName_ == "sym") {
        point.symbol = text;
    } else if (leafName_ == "fix") {
        point.noFix = text == "none";
    }
    return true;
}

}  // namespace

ReadResult readDocument(const std::string& path, XmlSource& source) {
    DocumentBuilder builder;
    const auto failure = source.parse(path, builder);
    if (failure && failure->where.line == 0) {
        return {std::nullopt,
                common::asSentence("Can't open the file " + path + ": " + failure->why)};
    }
    if (failure) {
        return {std::nullopt,
                common::asSentence("Can't read the GPX file " + path + ": " +
                                   positionText(failure->where) + ": " + failure->why)};
    }
    if (builder.fault) {
        return {std::nullopt,
                common::asSentence("Can't read the GPX file " + path + ": " + *builder.fault)};
    }
    if (!builder.sawRoot) {
        return {std::nullopt, "Can't read the GPX file " + path + ": it holds no XML element."};
    }
    return {std::move(builder.document), {}};
}

}  // namespace trawlix::transfer::gpx
