// The rules the engine's state keeps between any two calls. A broken one is a fault of the
// engine that a session would meet later as a hang or a lost record.
#include <algorithm>

#include "link/link_engine.h"

namespace trawlix::link {

std::vector<std::string> LinkEngine::ruleBreaches() const {
    std::vector<std::string> breaches;
    const auto rule = [&breaches](bool holds, const std::string& text) {
        if (!holds) {
            breaches.push_back("link engine: " + text);
        }
    };
    const std::deque<std::string>& queue = sender_.queue();
    const std::string* inFlight = sender_.inFlight();
    rule(open_ || (!sender_.busy() && !download_ && !drain_.active() && !afterEnd_),
         "a closed port keeps something under way");
    rule(sender_.givenUp().empty() || inFlight == nullptr,
         "a sentence is on the line while the sender waits for a Retry of " + sender_.givenUp());
    if (download_ && download_->phase == DownloadUnderWay::Phase::Queued) {
        const bool asked =
            std::find(queue.begin(), queue.end(), download_->command) != queue.end() ||
            (inFlight != nullptr && *inFlight == download_->command);
        rule(asked, "the download of " + download_->command +
                        " waits for its command, which is neither queued nor on the line");
    }
    if (download_ && download_->commandSent()) {
        rule(!drain_.active(), "a drain runs while " + download_->command + " is answered");
    }
    rule(!afterEnd_ || !download_ || !download_->commandSent() ||
             download_->phase == DownloadUnderWay::Phase::Receiving || inFlight != nullptr,
         "a download command went out during the wait after END");
    return breaches;
}

}  // namespace trawlix::link
