#pragma once

#include <QString>

namespace trawlix::app {

// Starts the desktop's plain-text editor on `path`, whatever the file's extension, without a
// shell and without waiting for it. False when no editor could be started.
bool openAsPlainText(const QString& path);

}  // namespace trawlix::app
