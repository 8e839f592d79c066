// Whether the window can be shown at all, checked before Qt would abort on a machine
// without a display.
#pragma once

namespace qar {

// True when DISPLAY or WAYLAND_DISPLAY is set, or a Qt platform was chosen explicitly
// (QT_QPA_PLATFORM, or "-platform" among the arguments).
bool HaveDisplay(int argc, char** argv);

// The message for a machine without a display; it points to the command-line program.
const char* NoDisplayMessage();

}  // namespace qar
