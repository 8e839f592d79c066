#include "frame/windowplacement.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace qar {

namespace {

constexpr int kPlacementFields = 10;

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

std::optional<WindowPlacement> ParseWindowPlacement(const std::string& text) {
    int values[kPlacementFields] = {};
    const char* p = text.data();
    const char* const end = text.data() + text.size();
    for (int i = 0; i < kPlacementFields; ++i) {
        if (i > 0) {
            if (p == end || *p != ':')
                return std::nullopt;
            ++p;
        }
        while (p != end && IsBlank(*p))
            ++p;
        // from_chars takes no "+"; the stored texts never have one, but a hand edit might.
        if (p != end && *p == '+' && p + 1 != end && *(p + 1) != '-')
            ++p;
        const auto [next, ec] = std::from_chars(p, end, values[i]);
        // Out of range for an int is as unreadable as no number at all.
        if (ec != std::errc())
            return std::nullopt;
        p = next;
    }
    while (p != end && IsBlank(*p))
        ++p;
    if (p != end)
        return std::nullopt;
    WindowPlacement w;
    w.flags = values[0];
    w.showCmd = values[1];
    w.minX = values[2];
    w.minY = values[3];
    w.maxX = values[4];
    w.maxY = values[5];
    w.left = values[6];
    w.top = values[7];
    w.right = values[8];
    w.bottom = values[9];
    return w;
}

std::string FormatWindowPlacement(const WindowPlacement& w) {
    char buf[12 * kPlacementFields + 1];
    std::snprintf(buf, sizeof buf, "%i:%i:%i:%i:%i:%i:%i:%i:%i:%i", w.flags, w.showCmd, w.minX,
                  w.minY, w.maxX, w.maxY, w.left, w.top, w.right, w.bottom);
    return buf;
}

}  // namespace qar
