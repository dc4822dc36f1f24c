#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace trawlix::cli {
namespace {

ParsedOptions parse(std::vector<std::string> words) {
    return parseOptions(words);
}

TEST(CliOptions, Commands) {
    EXPECT_EQ(parse({"version"}).options->command, CliOptions::Command::Version);
    const auto download = parse({"--port", "3", "download", "tracks", "t.txt"});
    ASSERT_TRUE(download.options);
    EXPECT_EQ(download.options->command, CliOptions::Command::Download);
    EXPECT_EQ(download.options->kind, CliOptions::Kind::Tracks);
    EXPECT_EQ(download.options->file, "t.txt");
    EXPECT_EQ(download.options->port, 3);
    const auto upload =
        parse({"upload", "routes", "r.txt", "--device", "/dev/ttyUSB0", "--line", "9600,N,8,1"});
    ASSERT_TRUE(upload.options);
    EXPECT_EQ(upload.options->kind, CliOptions::Kind::Routes);
    EXPECT_EQ(upload.options->device, "/dev/ttyUSB0");
    EXPECT_EQ(upload.options->line, "9600,N,8,1");
    EXPECT_EQ(parse({"nmea", "--count", "5"}).options->nmeaCount, 5);
    EXPECT_EQ(parse({"nmea", "--seconds", "2.5"}).options->nmeaSeconds, 2.5);
    EXPECT_EQ(parse({"download", "--help"}).options->command, CliOptions::Command::Help);
    EXPECT_EQ(parse({"share", "--listen", "0.0.0.0:2000"}).options->listen->text(), "0.0.0.0:2000");
    EXPECT_TRUE(parse({"--quiet", "share"}).options->quiet);
}

TEST(CliOptions, TheFileFormatFollowsTheExtensionUnlessSaid) {
    const auto byName = parse({"download", "tracks", "Day.GpX"});
    ASSERT_TRUE(byName.options);
    EXPECT_EQ(fileFormat(*byName.options, "Day.GpX"), CliOptions::Format::Gpx);
    EXPECT_EQ(fileFormat(*byName.options, "day.gpx.txt"), CliOptions::Format::Text);
    EXPECT_EQ(fileFormat(*byName.options, "gpx"), CliOptions::Format::Text);
    const auto said = parse({"--format", "text", "upload", "routes", "r.gpx"});
    ASSERT_TRUE(said.options);
    EXPECT_EQ(fileFormat(*said.options, "r.gpx"), CliOptions::Format::Text);
    const auto convert = parse({"convert", "routes", "r.txt", "r.gpx", "--waypoints", "w.txt"});
    ASSERT_TRUE(convert.options);
    EXPECT_EQ(convert.options->command, CliOptions::Command::Convert);
    EXPECT_EQ(convert.options->output, "r.gpx");
    EXPECT_EQ(convert.options->waypointsFile, "w.txt");
}

TEST(CliOptions, VersionOfTheProgramIsAnsweredBeforeTheCommandIsChecked) {
    // The receiver's identity is a command; the program's own version is an option that
    // needs neither a receiver nor a complete command line.
    EXPECT_EQ(parse({"version"}).options->command, CliOptions::Command::Version);
    EXPECT_EQ(parse({"--version"}).options->command, CliOptions::Command::ProgramVersion);
    EXPECT_EQ(parse({"download", "tracks", "--version"}).options->command,
              CliOptions::Command::ProgramVersion);
    EXPECT_EQ(parse({"--version", "frob"}).options->command, CliOptions::Command::ProgramVersion);
    EXPECT_EQ(parse({"--help", "--version"}).options->command, CliOptions::Command::Help);
}

TEST(CliOptions, MistakesAreNamed) {
    struct Case {
        std::vector<std::string> words;
        const char* mentions;
    };
    for (const Case& c :
         {Case{{}, "no command"}, Case{{"frob"}, "frob"},
          Case{{"download", "photos", "x"}, "photos"}, Case{{"download", "tracks"}, "download"},
          Case{{"--port", "0", "version"}, "--port"}, Case{{"--port", "2.5", "version"}, "--port"},
          Case{{"--port", "COM3", "version"}, "--port"},
          Case{{"--port", "2", "--device", "/dev/x", "version"}, "not both"},
          Case{{"nmea", "--count", "0"}, "--count"}, Case{{"nmea", "--seconds", "-1"}, "--seconds"},
          Case{{"nmea", "--count", "2", "--seconds", "1"}, "not both"},
          Case{{"version", "--count", "2"}, "go with nmea"},
          Case{{"share", "--listen", "host:"}, "--listen"},
          Case{{"nmea", "--quiet"}, "go with share"},
          Case{{"--format", "kml", "download", "tracks", "t"}, "--format"},
          Case{{"convert", "tracks", "t.txt"}, "convert"},
          Case{{"--waypoints", "w.txt", "upload", "routes", "r.gpx"}, "goes with convert"},
          Case{{"--fast", "version"}, "--fast"}}) {
        const auto result = parseOptions(c.words);
        EXPECT_FALSE(result.options);
        EXPECT_NE(result.error.find(c.mentions), std::string::npos) << result.error;
    }
}

}  // namespace
}  // namespace trawlix::cli
