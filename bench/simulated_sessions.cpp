// Simulated sessions a minute on one core: whole sessions in virtual time (faults, user
// actions, and at least one whole download each), run back to back for a few seconds.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "simulation/random_session.h"

int main() {
    using namespace trawlix::simulation;
    using Clock = std::chrono::steady_clock;
    const auto folder = std::filesystem::temp_directory_path() /
                        ("trawlix-bench-sessions-" + std::to_string(::getpid()));
    const UploadFiles files(folder / "uploads");
    constexpr double kSeconds = 10.0;
    const auto started = Clock::now();
    const std::clock_t processorStarted = std::clock();
    std::uint32_t sessions = 0;
    std::uint32_t withTransfer = 0;
    std::uint64_t transfers = 0;
    std::uint64_t steps = 0;
    Micros virtualTime = 0;
    double elapsed = 0.0;
    while (elapsed < kSeconds) {
        const SessionOutcome outcome =
            runRandomSession(1'000'000 + sessions, files, folder / "session", false);
        ++sessions;
        withTransfer += outcome.transfersCompleted > 0 ? 1u : 0u;
        transfers += static_cast<std::uint64_t>(outcome.transfersCompleted);
        steps += outcome.steps;
        virtualTime += outcome.virtualTime;
        elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    }
    // On a shared machine the wall clock counts the time other programs had the core too.
    const double processor = static_cast<double>(std::clock() - processorStarted) / CLOCKS_PER_SEC;
    std::filesystem::remove_all(folder);
    std::printf("%u sessions in %.1f s: %.0f sessions a minute (target 10,000)\n", sessions,
                elapsed, sessions * 60.0 / elapsed);
    std::printf("  %.1f s of processor time: %.0f sessions a minute of one core\n", processor,
                sessions * 60.0 / processor);
    std::printf("  %u with at least one whole transfer (%.1f%%), %llu transfers in all\n",
                withTransfer, 100.0 * withTransfer / sessions,
                static_cast<unsigned long long>(transfers));
    std::printf("  %.0f s of virtual time (%.0f times faster than real time), %llu steps\n",
                static_cast<double>(virtualTime) / kSecond,
                static_cast<double>(virtualTime) / kSecond / elapsed,
                static_cast<unsigned long long>(steps));
    return 0;
}
