#include "cli/track_info.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/numbers.h"
#include "common/pattern_format.h"
#include "transfer/figures_text.h"
#include "transfer/track_file.h"

namespace trawlix::cli {
namespace {

using transfer::figures::Figures;

std::string quoted(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            constexpr char kHex[] = "0123456789abcdef";
            json += "\\u00";
            json += kHex[byte >> 4];
            json += kHex[byte & 0xF];
        } else {
            json += c;
        }
    }
    return json + "\"";
}

// Tenths of a metre or second are more than any receiver measures.
std::string number(double value) {
    return common::formatPattern(value, "0.0");
}

std::string numberOrNull(const std::optional<double>& value) {
    return value ? number(*value) : "null";
}

std::string timeOrNull(const std::optional<transfer::gpx::UtcTime>& time) {
    return time ? quoted(transfer::gpx::isoTextOf(*time)) : "null";
}

std::string figuresJson(const Figures& f) {
    return "\"points\": " + std::to_string(f.points) + ", \"distance_m\": " + number(f.distance) +
           ", \"duration_s\": " + numberOrNull(f.duration) +
           ", \"moving_s\": " + numberOrNull(f.moving) +
           ", \"ascent_m\": " + numberOrNull(f.ascent) +
           ", \"descent_m\": " + numberOrNull(f.descent) + ", \"start\": " + timeOrNull(f.start) +
           ", \"end\": " + timeOrNull(f.end);
}

std::string routeJson(const transfer::figures::Route& route) {
    const auto number = common::strictInt32(route.number);
    return "{\"number\": " + (number ? std::to_string(*number) : std::string("null")) +
           ", \"name\": " + quoted(route.name) +
           ", \"points\": " + std::to_string(route.points.size()) +
           ", \"length_m\": " + numberOrNull(transfer::figures::lengthOf(route)) + "}";
}

std::string trackJson(const transfer::figures::Track& track) {
    std::string json = "{\"name\": " + quoted(track.name) + ", " +
                       figuresJson(transfer::figures::figuresOf(track)) + ", \"pieces\": [";
    for (std::size_t p = 0; p < track.pieces.size(); ++p) {
        json += (p > 0 ? ", {" : "{") + figuresJson(transfer::figures::figuresOf(track.pieces[p])) +
                "}";
    }
    return json + "]}";
}

bool given(const std::vector<std::string>& arguments, const char* option) {
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

}  // namespace

std::string contentsJson(const transfer::figures::Contents& contents) {
    std::string json =
        "{\"waypoints\": " + std::to_string(contents.waypoints.size()) + ",\n \"routes\": [";
    for (std::size_t r = 0; r < contents.routes.size(); ++r) {
        json += (r > 0 ? ",\n  " : "\n  ") + routeJson(contents.routes[r]);
    }
    json += "],\n \"tracks\": [";
    for (std::size_t t = 0; t < contents.tracks.size(); ++t) {
        json += (t > 0 ? ",\n  " : "\n  ") + trackJson(contents.tracks[t]);
    }
    return json + "]}\n";
}

int runInfo(const CliOptions& options, transfer::gpx::XmlSource& source) {
    const transfer::figures::LoadResult loaded =
        transfer::figures::loadFile(options.file, source, options.waypointsFile);
    if (!loaded.contents) {
        std::fprintf(stderr, "%s\n", loaded.error.c_str());
        return kFileProblem;
    }
    const std::string text = options.json ? contentsJson(*loaded.contents)
                                          : transfer::figures::contentsText(*loaded.contents);
    std::fputs(text.c_str(), stdout);
    return kCompleted;
}

std::optional<PictureSize> pictureSizeOf(const std::string& text) {
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos) {
        return std::nullopt;
    }
    const auto width = common::strictInt32(text.substr(0, cross));
    const auto height = common::strictInt32(text.substr(cross + 1));
    constexpr int kSmallest = 64;
    constexpr int kLargest = 8000;
    if (!width || !height || *width < kSmallest || *height < kSmallest || *width > kLargest ||
        *height > kLargest || text.find('.') != std::string::npos) {
        return std::nullopt;
    }
    return PictureSize{*width, *height};
}

std::optional<std::string> checkFigureOptions(const std::vector<std::string>& arguments,
                                              const CliOptions& options) {
    const bool picture = options.command == CliOptions::Command::Picture;
    if (options.json && options.command != CliOptions::Command::Info) {
        return "--json goes with info";
    }
    if ((given(arguments, "--output") || given(arguments, "--size")) && !picture) {
        return "--output and --size go with picture";
    }
    if (picture && options.output.empty()) {
        return "picture needs --output OUT.png";
    }
    return std::nullopt;
}

}  // namespace trawlix::cli
