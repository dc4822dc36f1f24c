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
    out.append(depth * 2, ' ');
    out += '<';
    out += name;
    out += '>';
    out += escaped(text);
    out += "</";
    out += name;
    out += ">\n";
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

void appendDecimal(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) {
        out += '0';
        return;
    }
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    if (text.find('.') != std::string_view::npos) {
        while (text.back() == '0') {
            text.remove_suffix(1);
        }
        if (text.back() == '.') {
            text.remove_suffix(1);
        }
    }
    out += text == "-0" ? std::string_view("0") : text;
}

std::string decimalText(double value, int decimals) {
    std::string text;
    appendDecimal(text, value, decimals);
    return text;
}

void appendPoint(std::string& out, const char* element, const Point& point, std::size_t depth) {
    const std::size_t inner = (depth + 1) * 2;
    out.append(depth * 2, ' ');
    out += '<';
    out += element;
    out += " lat=\"";
    appendDecimal(out, point.latitude, 7);
    out += "\" lon=\"";
    appendDecimal(out, point.longitude, 7);
    out += "\">\n";
    // Children in the order the schema requires.
    if (point.elevation) {
        out.append(inner, ' ');
        out += "<ele>";
        appendDecimal(out, *point.elevation, 4);
        out += "</ele>\n";
    }
    if (point.time) {
        out.append(inner, ' ');
        out += "<time>";
        out += isoTextOf(*point.time);
        out += "</time>\n";
    }
    textElement(out, depth + 1, "name", point.name);
    textElement(out, depth + 1, "cmt", point.comment);
    textElement(out, depth + 1, "sym", point.symbol);
    if (point.noFix) {
        out.append(inner, ' ');
        out += "<fix>none</fix>\n";
    }
    out.append(depth * 2, ' ');
    out += "</";
    out += element;
    out += ">\n";
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
        tail_.clear();
    }
}

void Writer::open(const std::string& element, const std::string& attributes, std::string& content) {
    content += indent(open_.size()) + "<" + element + attributes + ">\n";
    open_.push_back(element);
    tail_.clear();
}

std::optional<std::string> Writer::commit(const std::string& content) {
    if (failure_) {
        return failure_;
    }
    if (tail_.empty()) {
        for (std::size_t depth = open_.size(); depth-- > 0;) {
            tail_ += indent(depth) + "</" + open_[depth] + ">\n";
        }
    }
    errno = 0;
    out_.seekp(bodyEnd_);
    // One write of the record and the closing tags, so that the file never ends between them.
    buffer_.assign(content);
    buffer_ += tail_;
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    bodyEnd_ += static_cast<std::streamoff>(content.size());
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
    appendPoint(content, "wpt", point, 1);
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
    appendPoint(content, "rtept", point, 2);
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
    appendPoint(content, "trkpt", point, 3);
    return commit(content);
}

}  // namespace trawlix::transfer::gpx
