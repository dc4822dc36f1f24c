#include "qt/figure_commands.h"

#include <QGuiApplication>
#include <cstdio>

#include "cli/track_info.h"
#include "qt/qt_xml_source.h"
#include "qt/track_painter.h"
#include "transfer/track_file.h"

namespace trawlix::qt {
namespace {

int runPicture(const cli::CliOptions& options) {
    QtXmlSource xml;
    transfer::figures::LoadResult loaded =
        transfer::figures::loadFile(options.file, xml, options.waypointsFile);
    if (!loaded.contents) {
        std::fprintf(stderr, "%s\n", loaded.error.c_str());
        return cli::kFileProblem;
    }
    const transfer::figures::Scene scene(std::move(*loaded.contents));
    const QImage image =
        pictureOf(scene, QSize(options.pictureSize.width, options.pictureSize.height));
    if (!image.save(QString::fromStdString(options.output), "PNG")) {
        std::fprintf(stderr, "Can't write the picture to %s.\n", options.output.c_str());
        return cli::kFileProblem;
    }
    std::printf("Drew %s into %s.\n", options.file.c_str(), options.output.c_str());
    return cli::kCompleted;
}

}  // namespace

std::unique_ptr<QCoreApplication> consoleApplication(int& argc, char** argv) {
    const auto parsed = cli::parseOptions({argv + 1, argv + argc});
    if (parsed.options && parsed.options->command == cli::CliOptions::Command::Picture) {
#if !defined(Q_OS_WIN)
        // No window is shown: the picture is drawn in memory, with or without a display.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
#endif
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

std::optional<int> runFigureCommand(const cli::CliOptions& options) {
    if (options.command == cli::CliOptions::Command::Info) {
        QtXmlSource xml;
        return cli::runInfo(options, xml);
    }
    if (options.command == cli::CliOptions::Command::Picture) {
        return runPicture(options);
    }
    return std::nullopt;
}

}  // namespace trawlix::qt
