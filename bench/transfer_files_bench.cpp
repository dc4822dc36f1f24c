// Writing a full transfer file of 32,767 records line by line (flushed, as a download writes
// them), and reading it back the way the uploads do.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "common/line_split.h"
#include "transfer/transfer_files.h"
#include "transfer/transfer_format.h"

namespace {

using namespace trawlix;
constexpr int kRecords = 32767;

std::string scratchFile(const char* name) {
    return (std::filesystem::temp_directory_path() /
            ("trawlix-bench-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

template <typename MakeLine>
void writeFile(const std::string& path, MakeLine makeLine) {
    transfer::TransferFiles files;
    files.openForOutput(1, path);
    for (int i = 0; i < kRecords; ++i) {
        files.writeLine(1, makeLine(i));
    }
    files.close(1);
}

template <typename ReadLine>
void readFile(const std::string& path, ReadLine readLine) {
    transfer::TransferFiles files;
    files.openForInput(1, path);
    while (const auto line = files.readLine(1)) {
        readLine(common::splitFields(*line));
    }
}

std::string waypoint(int i) {
    link::WaypointRecord r;
    r.Field1 = "WPT" + std::to_string(i);
    r.Latitude = 46.0 + i * 1e-5;
    r.Longitude = 7.0 - i * 1e-5;
    r.Field4 = "Comment of the waypoint";
    r.Field5 = static_cast<std::int16_t>(i % 3000);
    r.Field6 = "M";
    r.Field7 = i + 1;
    r.Field10 = "a";
    return transfer::waypointLine(r);
}

std::string trackPoint(int i) {
    link::TrackPointRecord r;
    r.Field1 = true;
    r.Field2 = "071548.24";
    r.Latitude = 46.0 + i * 1e-5;
    r.Longitude = 7.0 + i * 1e-5;
    r.Altitude = 5016.404f + static_cast<float>(i % 100);
    r.Field7 = "110808";
    return transfer::trackLine(r);
}

std::string routeLine(int i) {
    if (i % 5 == 0) {
        return transfer::routeHeaderLine({std::to_string(i / 5 % 100), 2});
    }
    link::WaypointRecord r;
    r.Field1 = "a";
    r.Field4 = "WPT" + std::to_string(i);
    return transfer::routeEntryLine(r);
}

void readWaypoints(const std::vector<std::string>& fields) {
    link::WaypointRecord record;
    benchmark::DoNotOptimize(transfer::readWaypointLine(fields, record));
}

void readTrackPoints(const std::vector<std::string>& fields) {
    link::TrackPointRecord record;
    benchmark::DoNotOptimize(transfer::readTrackLine(fields, record));
}

void readRouteLines(const std::vector<std::string>& fields) {
    transfer::RouteHeader header;
    if (transfer::isRouteHeader(fields)) {
        benchmark::DoNotOptimize(transfer::readRouteHeader(fields, header));
    } else {
        benchmark::DoNotOptimize(transfer::routeEntryName(fields));
    }
}

template <typename MakeLine>
void Write(benchmark::State& state, const char* name, MakeLine makeLine) {
    const std::string path = scratchFile(name);
    for (auto _ : state) {
        writeFile(path, makeLine);
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kRecords);
}

template <typename MakeLine, typename ReadLine>
void Read(benchmark::State& state, const char* name, MakeLine makeLine, ReadLine readLine) {
    const std::string path = scratchFile(name);
    writeFile(path, makeLine);
    for (auto _ : state) {
        readFile(path, readLine);
    }
    std::filesystem::remove(path);
    state.SetItemsProcessed(state.iterations() * kRecords);
}

BENCHMARK_CAPTURE(Write, WaypointFile, "w", waypoint)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Read, WaypointFile, "w", waypoint, readWaypoints)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, TrackFile, "t", trackPoint)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Read, TrackFile, "t", trackPoint, readTrackPoints)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Write, RouteFile, "r", routeLine)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Read, RouteFile, "r", routeLine, readRouteLines)->Unit(benchmark::kMillisecond);

}  // namespace
