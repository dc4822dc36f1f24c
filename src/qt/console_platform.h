#pragma once

#include <cstdio>
#include <functional>

// What the console program needs of the platform.
namespace trawlix::cli {

// Ctrl-C (SIGINT, and SIGTERM) sets a flag, so that the transfer is cancelled from the
// loop, not from the signal handler; a second one ends the program at once with
// `secondStatus`. Call it first thing in main(), so that no Ctrl-C finds the default
// handler, which would end the program by the signal.
void catchInterrupts(int secondStatus);
// Lets an interrupt also wake the event loop. Call it once the application object exists:
// what it sets up lives as long as that.
void wakeLoopOnInterrupt();
bool interrupted();
// Runs `action` from the event loop when the interrupt comes, also from a loop nested in a
// call that waits, so that the wait can be ended at once.
void onInterrupt(std::function<void()> action);

// True when `stream` goes to a terminal (a progress line can rewrite itself there).
bool isTerminal(std::FILE* stream);

}  // namespace trawlix::cli
