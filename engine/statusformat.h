// The texts of the encoding status dialog, built from the library's figures and the run's
// options. Plain C++ so the rules are tested without a window.
#pragma once

#include <string>

#include "vadav/vadav.h"

namespace qar {

// What one tick of the status dialog shows.
struct EncodeDisplay {
    std::string timeText;      // elapsed time as the library gives it
    int percent = 0;           // progress bar position
    std::string progressText;  // frames and percent as the library gives it
    std::string settings;      // e.g. "192 kbps(可変 3), joint stereo, quality mode"
    std::string quality;       // e.g. "0.0123 (good) 平均187.52(kbps)"
};

// "joint stereo" for any nonzero stereo mode (joint and mid/side alike), else "stereo".
const char* StereoName(int stereo);
// "quality", "normal", "speed", "high speed" for 0..3; "unknown" for anything else.
const char* QuickModeName(int quickmode);
// The settings line "%-3d kbps%s, %5s, %s mode"; negative kbps means variable bitrate.
std::string SettingsLine(int kbps, int vbrLevel, int stereo, int quickmode);
// The quality line: the error rate judged good / normal / bad, plus the average bitrate
// when it is not 0.
std::string QualityLine(double errorRate, double averageKbps);
// The whole display of one tick. With no job in the queue both lines are empty.
EncodeDisplay FormatEncodeDisplay(const vadav_status& status, int stereo, int quickmode,
                                  bool queueHasJobs);
// The dialog title with the run's position: " (taken/total)" replaces everything from the
// first " (" of title, or is appended when there is none.
std::string TitleWithCounts(const std::string& title, int taken, int total);

}  // namespace qar
