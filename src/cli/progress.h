#pragma once

#include <chrono>
#include <cstdio>

#include "app/your_form.h"
#include "cli/console_view.h"

namespace trawlix::cli {

// Shows the count of records on standard error while a transfer runs: on a terminal the
// window's status text (with the total and time left of an upload) in one line rewritten in
// place, a plain line a second otherwise (with the status text when `described`, as a backup
// or restore has several parts).
class Progress {
  public:
    Progress(const app::YourForm& form, const ConsoleView& view, bool terminal,
             bool described = false)
        : form_(form), view_(view), terminal_(terminal), described_(described) {}

    void update();
    void finish();

  private:
    const app::YourForm& form_;
    const ConsoleView& view_;
    bool terminal_;
    bool described_;
    int shown_ = -1;
    std::chrono::steady_clock::time_point lastLine_ = std::chrono::steady_clock::now();
};

}  // namespace trawlix::cli
