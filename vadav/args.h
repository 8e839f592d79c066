// The argument vector of an encoding ("-b 128", "-q0", "-mj", ..., input, output) and what it
// asks of libmp3lame.
#pragma once

#include <string>

namespace vadav {

enum class StereoMode {
    Stereo,         // -ms: left and right coded apart
    Joint,          // -mj: libmp3lame picks left/right or mid/side per frame
    JointForcedMs,  // -mJ: joint stereo with mid/side in every frame
};

// What one argument vector asks for. Options that are absent keep these defaults.
struct EncodeSettings {
    int bitrate = 128;    // -b: kbps; the constant bitrate, or the cap of a variable one
    int qualityMode = 1;  // -q0 quality, -q1 normal, -q2 speed, -q3 high speed
    StereoMode stereo = StereoMode::Joint;
    int vbrLevel = 0;            // -vN: 0 constant bitrate, 1 (smallest files) .. 5 (best sound)
    int bitSaving = 0;           // -cN: 0..4 extra steps down the variable-bitrate quality
    bool bitSavingAuto = false;  // -ca: steps chosen from the bitrate
    bool cpuHint = false;        // -d1: accepted; libmp3lame picks its CPU code by itself
    std::string input;
    std::string output;
};

// Parses argv[0..argc-1]: argv[0] is the program name, the last two are always the input and
// the output path. False with a message naming the offending argument when anything is not
// understood; settings is then unspecified.
bool ParseArguments(int argc, const char* const* argv, EncodeSettings& settings,
                    std::string& error);

// True when kbps is a bitrate of MPEG-1, MPEG-2 or MPEG-2.5 Layer III.
bool IsLayer3Bitrate(int kbps);

// True when hz is a sample rate of MPEG-1, MPEG-2 or MPEG-2.5 Layer III.
bool IsMp3SampleRate(int hz);

// LAME's quality (0 best .. 9 fastest) for a quality mode.
int LameQuality(int qualityMode);

// LAME's variable-bitrate quality (0 best .. 9 smallest) for the settings: 10 - 2 * level, then
// half a step per bit-saving level, at most 9. Only meaningful when vbrLevel > 0.
double LameVbrQuality(const EncodeSettings& settings);

// The typical average bitrate of a LAME VBR quality (fractions interpolated).
double TypicalVbrKbps(double quality);

// The bit-saving levels -ca chooses: the fewest (0..4) that bring the typical average bitrate
// of the resulting VBR quality down to the nominal bitrate.
int AutoBitSavingSteps(int vbrLevel, int bitrate);

}  // namespace vadav
