// Runs random sessions by seed and reports every one that broke a rule, with its event log.
//   trawlix-simulate [--seeds N] [--seed S] [--first S] [--log-lines L]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "simulation/random_session.h"

namespace {

struct Options {
    std::uint32_t first = 1;
    std::uint32_t count = 1000;
    std::size_t logLines = 120;
};

bool parse(int argc, char* argv[], Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        char* end = nullptr;
        const unsigned long value = std::strtoul(argv[++i], &end, 10);
        if (*end != '\0') {
            return false;
        }
        if (argument == "--seeds") {
            options.count = static_cast<std::uint32_t>(value);
        } else if (argument == "--seed") {
            options.first = static_cast<std::uint32_t>(value);
            options.count = 1;
        } else if (argument == "--first") {
            options.first = static_cast<std::uint32_t>(value);
        } else if (argument == "--log-lines") {
            options.logLines = value;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace trawlix::simulation;
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: trawlix-simulate [--seeds N] [--seed S] [--first S] "
                     "[--log-lines L]\n");
        return 2;
    }
    const auto folder =
        std::filesystem::temp_directory_path() / ("trawlix-simulate-" + std::to_string(::getpid()));
    const UploadFiles files(folder / "uploads");
    const auto started = std::chrono::steady_clock::now();
    std::uint32_t failed = 0;
    std::uint64_t transfers = 0;
    Micros virtualTime = 0;
    for (std::uint32_t n = 0; n < options.count; ++n) {
        const std::uint32_t seed = options.first + n;
        SessionOutcome outcome = runRandomSession(seed, files, folder / "session", false);
        transfers += static_cast<std::uint64_t>(outcome.transfersCompleted);
        virtualTime += outcome.virtualTime;
        if (outcome.problems.empty()) {
            continue;
        }
        ++failed;
        // Played again with its log: a session is the same every time.
        outcome = runRandomSession(seed, files, folder / "session", true);
        std::printf("seed %u FAILED:\n", seed);
        for (const auto& problem : outcome.problems) {
            std::printf("  %s\n", problem.c_str());
        }
        std::printf("  event log:\n");
        for (const auto& line : shortened(outcome.log, options.logLines)) {
            std::printf("    %s\n", line.c_str());
        }
        std::printf("  again: scripts/simulate --seed %u\n\n", seed);
        std::fflush(stdout);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "%u sessions from seed %u: %u failed, %u passed; %llu transfers completed; %.0f s "
        "of virtual time in %.1f s\n",
        options.count, options.first, failed, options.count - failed,
        static_cast<unsigned long long>(transfers), static_cast<double>(virtualTime) / kSecond,
        seconds);
    std::filesystem::remove_all(folder);
    return failed == 0 ? 0 : 1;
}
