#include "qt/cli_offline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "app/detection.h"
#include "app/device_settings.h"
#include "app/port_holder.h"
#include "app/your_form.h"
#include "cli/week_rollover_probe.h"
#include "common/numbers.h"
#include "qt/console_platform.h"
#include "qt/port_detector.h"
#include "qt/qt_xml_source.h"
#include "transfer/gpx_convert.h"

namespace trawlix::cli {
namespace {

// The port number --save assigns to: --port, else the window's current port.
std::int16_t currentPortNumber(const CliOptions& options, app::SettingsStore& settings) {
    if (options.port) {
        return static_cast<std::int16_t>(*options.port);
    }
    const auto stored =
        common::strictInt16(settings.GetSetting(app::kSettingsApplication, "Port", "Port", "2"));
    return stored && *stored >= 1 ? *stored : std::int16_t{2};
}

}  // namespace

void runUntil(const std::function<bool()>& done, const std::function<void()>& every) {
    constexpr int kTickMs = 100;
    QTimer tick;
    tick.start(kTickMs);
    while (!done() && !interrupted()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (every) {
            every();
        }
    }
}

void waitWhile(const std::function<bool()>& ending) {
    constexpr int kRouteEndMs = 30000;
    QElapsedTimer waited;
    waited.start();
    while (ending() && waited.elapsed() < kRouteEndMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
}

// Offline: OUT's format decides the direction, and IN must be in the other.
int runConvert(const CliOptions& options) {
    const bool toGpx = fileFormat(options, options.output) == CliOptions::Format::Gpx;
    const bool fromGpx = transfer::gpx::isGpxName(options.file);
    if (toGpx == fromGpx && !options.format) {
        std::fprintf(stderr,
                     "trawlix-cli: convert goes between text and GPX: %s and %s are "
                     "both %s (say the format of OUT with --format)\n",
                     options.file.c_str(), options.output.c_str(), toGpx ? "GPX" : "text");
        return kUsage;
    }
    qt::QtXmlSource xml;
    const transfer::UploadKind kind = app::uploadKindOf(options.kind);
    const transfer::gpx::ConversionResult result =
        toGpx ? transfer::gpx::textToGpx(kind, options.file, options.output, options.waypointsFile,
                                         xml, convertCorrection(options))
              : transfer::gpx::gpxToText(kind, options.file, options.output, xml,
                                         convertCorrection(options).periods);
    std::fprintf(result.ok ? stdout : stderr, "%s\n", result.message.c_str());
    return result.ok ? kCompleted : kFileProblem;
}

int runPorts(app::QtSettingsStore& stored) {
    for (const std::string& line :
         app::portsReport(app::systemPorts(), app::assignedDevices(stored), app::sameDevice)) {
        std::printf("%s\n", line.c_str());
    }
    return kCompleted;
}

int runDetect(const CliOptions& options, app::QtSettingsStore& stored) {
    const auto candidates = app::detectionCandidates(
        app::systemPorts(), app::assignedDevices(stored), options.devices, app::sameDevice);
    app::PortDetector detector;
    const bool terminal = isTerminal(stderr);
    QObject::connect(&detector, &app::PortDetector::progressed, [&](int done, int total) {
        if (terminal) {
            std::fprintf(stderr, "\rProbing: %d of %d done", done, total);
            std::fflush(stderr);
        }
    });
    detector.start(candidates);
    runUntil([&] { return detector.finished(); });
    if (!detector.finished()) {
        detector.cancel();
    }
    if (terminal && !candidates.empty()) {
        std::fprintf(stderr, "\r\033[K");
    }
    const auto results = detector.results();
    for (const app::ProbeResult& result : results) {
        if (result.outcome == app::ProbeOutcome::Found) {
            std::printf("%s\n", app::describeResult(result).c_str());
        }
    }
    for (const app::ProbeResult& result : results) {
        if (result.outcome != app::ProbeOutcome::Found) {
            std::fprintf(stderr, "%s\n", app::describeResult(result).c_str());
        }
    }
    const auto receiver = app::firstReceiver(results);
    if (interrupted()) {
        std::fprintf(stderr, "Stopped: the search was not finished.\n");
        return kAbandoned;
    }
    if (!receiver) {
        std::fprintf(stderr,
                     candidates.empty() ? "No serial ports to try.\n" : "No receiver found.\n");
        return kNoAnswer;
    }
    if (options.save) {
        const std::int16_t port = currentPortNumber(options, stored);
        app::assignReceiver(stored, port, *receiver);
        std::printf("Port %d is now %s at %s.\n", port, receiver->device.c_str(),
                    app::lineSettingsAt(receiver->baud).c_str());
        for (const std::int16_t other : app::otherPortsNaming(
                 receiver->device, port, app::assignedDevices(stored), app::sameDevice)) {
            std::printf("Port %d names the same device.\n", other);
        }
    }
    return kCompleted;
}

}  // namespace trawlix::cli
