#include "transfer/gpx_writer.h"

#include <cerrno>
#include <charconv>
#include <cmath>

#include "transfer/transfer_files.h"

namespace trawlix::transfer::gpx {
namespace {

constexpr const char* kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<gpx version=\"1.1\" creator=\"Trawlix\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
    "     xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
    "     xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
    "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";

std::string indent(std::size_t depth) {
    return std::string(depth * 2, ' ');
}

void textElement(std::string& out, std::size_t depth, const char* name, const std::string& text) {
    if (text.empty()) {
        return;
    }
    out += indent(depth) + "<" + name + ">" + escaped(text) + "</" + name + ">\n";
}

}  // namespace

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

std::string decimalText(double value, int decimals) {
    if (!std::isfinite(value)) {
        return "0";
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text == "-0" ? "0" : text;
}

std::string pointElement(const char* element, const Point& point, std::size_t depth) {
    std::string out = indent(depth) + "<" + element + " lat=\"" + decimalText(point.latitude, 7) +
                      "\" lon=\"" + decimalText(point.longitude, 7) + "\">\n";
    // Children in the order the schema requires.
    if (point.elevation) {
        out += indent(depth + 1) + "<ele>" + decimalText(*point.elevation, 4) + "</ele>\n";
    }
    if (point.time) {
        out += indent(depth + 1) + "<time>" + isoTextOf(*point.time) + "</time>\n";
    }
    textElement(out, depth + 1, "name", point.name);
    textElement(out, depth + 1, "cmt", point.comment);
    textElement(out, depth + 1, "sym", point.symbol);
    if (point.noFix) {
        out += indent(depth + 1) + "<fix>none</fix>\n";
    }
    return out + indent(depth) + "</" + element + ">\n";
}

Writer::Writer(std::ostream& out) : out_(out) {
    bodyEnd_ = static_cast<std::streamoff>(out_.tellp());
    open_.push_back("gpx");
    commit(kHead);
}

void Writer::closeTo(std::size_t depth, std::string& content) {
    while (open_.size() > depth) {
        content += indent(open_.size() - 1) + "</" + open_.back() + ">\n";
        open_.pop_back();
    }
}

void Writer::open(const std::string& element, const std::string& attributes, std::string& content) {
    content += indent(open_.size()) + "<" + element + attributes + ">\n";
    open_.push_back(element);
}

std::optional<std::string> Writer::commit(const std::string& content) {
    if (failure_) {
        return failure_;
    }
    std::string tail;
    for (std::size_t depth = open_.size(); depth-- > 0;) {
        tail += indent(depth) + "</" + open_[depth] + ">\n";
    }
    errno = 0;
    out_.seekp(bodyEnd_);
    out_.write(content.data(), static_cast<std::streamsize>(content.size()));
    bodyEnd_ += static_cast<std::streamoff>(content.size());
    out_.write(tail.data(), static_cast<std::streamsize>(tail.size()));
    out_.flush();
    if (!out_) {
        failure_ = describeError(errno);
    }
    return failure_;
}

std::optional<std::string> Writer::waypoint(const Point& point) {
    std::string content;
    closeTo(1, content);
    trackName_.reset();
    content += pointElement("wpt", point, 1);
    return commit(content);
}

std::optional<std::string> Writer::startRoute(const std::string& name, const std::string& number) {
    std::string content;
    closeTo(1, content);
    trackName_.reset();
    open("rte", "", content);
    textElement(content, 2, "name", name);
    textElement(content, 2, "number", number);
    return commit(content);
}

std::optional<std::string> Writer::routePoint(const Point& point) {
    std::string content;
    if (open_.size() < 2 || open_[1] != "rte") {
        closeTo(1, content);
        open("rte", "", content);
    }
    content += pointElement("rtept", point, 2);
    return commit(content);
}

std::optional<std::string> Writer::trackPoint(const std::string& trackName, const Point& point) {
    std::string content;
    if (!trackName_ || *trackName_ != trackName || open_.size() != 3) {
        closeTo(1, content);
        open("trk", "", content);
        textElement(content, 2, "name", trackName);
        open("trkseg", "", content);
        trackName_ = trackName;
    }
    content += pointElement("trkpt", point, 3);
    return commit(content);
}

}  // namespace trawlix::transfer::gpx
