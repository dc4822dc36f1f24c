#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "transfer/gpx_mapping.h"

namespace trawlix::transfer::gpx {

// Writes a GPX 1.1 document a record at a time, so that the file on disk is a complete,
// well-formed document after every record: each record is written followed by the closing
// tags of every element still open, then flushed; the next record is written over those
// closing tags and closes them again after itself. A download that ends early therefore
// leaves a file that any GPX reader takes, holding every record received. The body only ever
// grows by what it overwrites and more (a closing tag moves from the tail into the body
// unchanged), so no stale bytes are left past the end.
//
// XML is written by hand rather than through a library: output needs only the escaping of
// five characters, and the toolkit-free part must build where no XML library is.
class Writer {
  public:
    // `out` must be seekable (a file); the head and the closing tag go out at once.
    explicit Writer(std::ostream& out);

    // Each returns the reason when the record could not be written.
    std::optional<std::string> waypoint(const Point& point);
    std::optional<std::string> startRoute(const std::string& name, const std::string& number);
    std::optional<std::string> routePoint(const Point& point);
    // Starts a new <trk> when `trackName` differs from the previous point's.
    std::optional<std::string> trackPoint(const std::string& trackName, const Point& point);

    // What was written first, an error then, or nothing.
    const std::optional<std::string>& failure() const { return failure_; }

  private:
    std::optional<std::string> commit(const std::string& content);
    void closeTo(std::size_t depth, std::string& content);
    void open(const std::string& element, const std::string& attributes, std::string& content);

    std::ostream& out_;
    std::streamoff bodyEnd_ = 0;
    std::vector<std::string> open_;  // the elements open, outermost first
    std::optional<std::string> trackName_;
    std::string tail_;    // the closing tags of open_, innermost first; empty when to be made
    std::string buffer_;  // what goes out in one write
    std::optional<std::string> failure_;
};

// Text with &, <, >, " and ' escaped.
std::string escaped(std::string_view text);
// A number without exponent and with at most `decimals` decimals, trailing zeros dropped.
std::string decimalText(double value, int decimals);

}  // namespace trawlix::transfer::gpx
