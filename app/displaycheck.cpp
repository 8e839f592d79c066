#include "app/displaycheck.h"

#include <cstdlib>
#include <cstring>

namespace qar {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] != '\0';
}

}  // namespace

bool HaveDisplay(int argc, char** argv) {
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM"))
        return true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return true;
    }
    return false;
}

const char* NoDisplayMessage() {
    return "qar: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
           "set).\n"
           "To encode without a window, use the command-line program: qar-cli --help\n";
}

}  // namespace qar
