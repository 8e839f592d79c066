#include "cli/progressline.h"

#include <cmath>
#include <cstdio>

namespace qar {

std::string FormatClock(double seconds) {
    if (seconds < 0 || !std::isfinite(seconds))
        return "--:--";
    const long s = std::lround(seconds);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%02ld:%02ld", s / 60, s % 60);
    return buf;
}

std::string FormatProgressLine(const BatchProgress& p, double elapsed, int width) {
    // Time left from the pace so far; unknown until some work is measurable.
    const double left = p.fraction > 0.005 ? elapsed * (1 - p.fraction) / p.fraction : -1;
    char head[160];
    std::snprintf(head, sizeof head, "%d/%d files  %3d%%  %s elapsed  %s left", p.done + p.failed,
                  p.total, int(p.fraction * 100), FormatClock(elapsed).c_str(),
                  FormatClock(left).c_str());
    std::string line = head;
    if (p.failed > 0)
        line += "  (" + std::to_string(p.failed) + " failed)";
    std::string names;
    for (const auto& [label, percent] : p.running) {
        names += names.empty() ? "  " : ", ";
        names += label + " " + std::to_string(percent) + "%";
    }
    line += names;
    if (width > 0 && int(line.size()) > width) {
        // Cut on a character boundary: names may be UTF-8.
        size_t cut = size_t(width);
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        line.resize(cut);
    }
    return line;
}

}  // namespace qar
