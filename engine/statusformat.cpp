#include "engine/statusformat.h"

#include <cstdio>
#include <cstring>

namespace qar {

namespace {

// snprintf into a std::string; the texts here are short, but a long one is never cut.
template <class... Args>
std::string Format(const char* fmt, Args... args) {
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, fmt, args...);
    if (n < 0)
        return std::string();
    if (static_cast<std::size_t>(n) < sizeof buf)
        return std::string(buf, static_cast<std::size_t>(n));
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), fmt, args...);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace

const char* StereoName(int stereo) {
    return stereo != 0 ? "joint stereo" : "stereo";
}

const char* QuickModeName(int quickmode) {
    switch (quickmode) {
        case 0:
            return "quality";
        case 1:
            return "normal";
        case 2:
            return "speed";
        case 3:
            return "high speed";
        default:
            // The library refuses such a mode; say so rather than name a mode not in force.
            return "unknown";
    }
}

std::string SettingsLine(int kbps, int vbrLevel, int stereo, int quickmode) {
    // Widened so that negating the most negative int cannot overflow.
    long long bitrate = kbps;
    std::string suffix;
    if (kbps < 0) {
        bitrate = -bitrate;
        suffix = Format("(可変 %d)", vbrLevel);
    }
    return Format("%-3lld kbps%s, %5s, %s mode", bitrate, suffix.c_str(), StereoName(stereo),
                  QuickModeName(quickmode));
}

std::string QualityLine(double errorRate, double averageKbps) {
    const char* fmt = errorRate < 0.1   ? "%1.4f (good)"
                      : errorRate < 0.5 ? "%1.4f (normal)"
                                        : "%1.4f (bad)";
    std::string line = Format(fmt, errorRate);
    if (averageKbps != 0.0)
        line += Format(" 平均%3.2f(kbps)", averageKbps);
    return line;
}

EncodeDisplay FormatEncodeDisplay(const vadav_status& status, int stereo, int quickmode,
                                  bool queueHasJobs) {
    EncodeDisplay d;
    // The library's texts are fixed arrays; never read past them.
    d.timeText.assign(status.timeText, strnlen(status.timeText, sizeof status.timeText));
    d.percent = status.percent;
    d.progressText.assign(status.progressText,
                          strnlen(status.progressText, sizeof status.progressText));
    // Without a job there are no settings in force, and an error rate of nothing would only
    // mislead: both lines stay empty.
    if (!queueHasJobs)
        return d;
    d.settings = SettingsLine(status.kbps, status.vbrLevel, stereo, quickmode);
    d.quality =
        QualityLine(static_cast<double>(status.errorRate), static_cast<double>(status.averageKbps));
    return d;
}

std::string TitleWithCounts(const std::string& title, int taken, int total) {
    const std::string counts = Format(" (%d/%d)", taken, total);
    const std::size_t at = title.find(" (");
    return (at == std::string::npos ? title : title.substr(0, at)) + counts;
}

}  // namespace qar
