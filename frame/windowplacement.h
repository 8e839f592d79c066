// The main window's stored placement: ten integers "flags:show:minX:minY:maxX:maxY:left:top:
// right:bottom", the fields and order of the Win32 WINDOWPLACEMENT record, so a Windows
// build reads the same text the same way.
#pragma once

#include <optional>
#include <string>

namespace qar {

// Flag: the window goes back to maximized when restored from minimized.
inline constexpr int kPlacementRestoreToMaximized = 2;
// Show commands.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;
inline constexpr int kShowMaximized = 3;
// The minimized and maximized positions, which Qt has no use for, are written as "not set".
inline constexpr int kPlacementUnsetPosition = -1;

struct WindowPlacement {
    int flags = 0;
    int showCmd = kShowNormal;
    int minX = kPlacementUnsetPosition;
    int minY = kPlacementUnsetPosition;
    int maxX = kPlacementUnsetPosition;
    int maxY = kPlacementUnsetPosition;
    // The normal (restored) rectangle, right and bottom exclusive.
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};

// Reads a stored text: exactly ten decimal integers separated by ":" (blanks before a
// number allowed, nothing after the tenth); anything else gives no placement.
std::optional<WindowPlacement> ParseWindowPlacement(const std::string& text);

// The stored text, "%i:%i:%i:%i:%i:%i:%i:%i:%i:%i".
std::string FormatWindowPlacement(const WindowPlacement& placement);

}  // namespace qar
