#pragma once

#include <QString>

class QLabel;

namespace trawlix::app {

// Shows the status bar's port text ("Port 2 · /dev/serial/by-id/... · 4800,N,8,1") in at
// most `width` pixels: the device name gives way in its middle, where long names differ
// least, so that the port number and the line settings stay in view. The whole text is the
// tooltip whenever anything was left out.
void showPortStatus(QLabel& label, const QString& text, int width);

}  // namespace trawlix::app
