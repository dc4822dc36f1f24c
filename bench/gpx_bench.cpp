// A GPX file of 32,767 track points: written a point at a time (each flushed with its closing
// tags, as a download writes it) and read back whole, as an upload reads it.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "qt/qt_xml_source.h"
#include "transfer/gpx_reader.h"
#include "transfer/gpx_upload.h"
#include "transfer/transfer_files.h"

namespace {

using namespace trawlix;
constexpr int kPoints = 32767;
constexpr int kRuns = 5;

link::TrackPointRecord trackPoint(int i) {
    link::TrackPointRecord r;
    r.Field1 = i % 50 != 49;
    r.Field2 = "071548.24";
    r.Latitude = 46.0 + i * 1e-5;
    r.Longitude = 7.0 + i * 1e-5;
    r.Altitude = static_cast<float>(5016.4 + i % 300);
    r.Field7 = "110808";
    return r;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double writeOnce(const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    transfer::TransferFiles files;
    files.openGpxForOutput(1, path);
    transfer::gpx::Writer& writer = *files.gpxWriter(1);
    for (int i = 0; i < kPoints; ++i) {
        const link::TrackPointRecord record = trackPoint(i);
        writer.trackPoint(record.TrackName, transfer::gpx::pointFromTrackPoint(record));
    }
    files.close(1);
    return millisecondsSince(start);
}

double readOnce(const std::string& path, std::size_t& points) {
    const auto start = std::chrono::steady_clock::now();
    qt::QtXmlSource xml;
    const auto read = transfer::gpx::readDocument(path, xml);
    const auto plan = transfer::gpx::planUpload(transfer::UploadKind::Track, *read.document, path);
    points = plan.plan ? plan.plan->parts.front().steps.size() : 0;
    return millisecondsSince(start);
}

}  // namespace

int main() {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("trawlix-bench-" + std::to_string(::getpid()) + ".gpx"))
                                 .string();
    double bestWrite = 1e9;
    double bestRead = 1e9;
    std::size_t points = 0;
    for (int run = 0; run < kRuns; ++run) {
        bestWrite = std::min(bestWrite, writeOnce(path));
        bestRead = std::min(bestRead, readOnce(path, points));
    }
    const auto bytes = std::filesystem::file_size(path);
    std::filesystem::remove(path);
    std::printf("GPX of %d track points (%.1f MB), best of %d runs:\n", kPoints,
                static_cast<double>(bytes) / 1e6, kRuns);
    std::printf("  writing, a point at a time, each flushed: %.1f ms (target 150)\n", bestWrite);
    std::printf("  reading, into %zu track points to send:   %.1f ms (target 150)\n", points,
                bestRead);
    return points == kPoints ? 0 : 1;
}
