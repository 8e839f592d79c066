#include "vadav/args.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <iterator>

namespace vadav {

namespace {

// Every bitrate any Layer III stream can carry; which of them a given sample rate allows is
// libmp3lame's to say once it has chosen the output rate.
constexpr int kLayer3Bitrates[] = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                                   96, 112, 128, 144, 160, 192, 224, 256, 320};

// Typical average bitrate of LAME's VBR qualities V0..V9 on 44.1 kHz stereo music, as LAME
// documents them; -ca compares them with the nominal bitrate.
constexpr int kTypicalVbrKbps[10] = {245, 225, 190, 175, 165, 130, 115, 100, 85, 65};

constexpr int kMaxBitSaving = 4;
// Each bit-saving level lowers the VBR quality by half a step: level 4 ("large") costs two
// whole steps, so the default level 3 with bit saving 3 stays near the nominal 128 kbit/s
// instead of dropping to the small-file end of the scale.
constexpr double kBitSavingStep = 0.5;
constexpr int kMaxVbrLevel = 5;
constexpr int kWorstLameVbrQuality = 9;

// Reads a whole decimal number (digits only, no sign, no blanks after it).
bool ParseNumber(const char* text, int& value) {
    if (*text == '\0')
        return false;
    long long v = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return false;
        v = v * 10 + (*p - '0');
        if (v > INT_MAX)
            return false;
    }
    value = int(v);
    return true;
}

std::string Quoted(const char* arg) {
    return std::string("\"") + arg + "\"";
}

}  // namespace

bool IsMp3SampleRate(int hz) {
    constexpr int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    return std::find(std::begin(kRates), std::end(kRates), hz) != std::end(kRates);
}

bool IsLayer3Bitrate(int kbps) {
    return std::find(std::begin(kLayer3Bitrates), std::end(kLayer3Bitrates), kbps) !=
           std::end(kLayer3Bitrates);
}

int LameQuality(int qualityMode) {
    switch (qualityMode) {
        case 0:
            return 2;
        case 1:
            return 5;
        default:
            return 7;
    }
}

double TypicalVbrKbps(double quality) {
    const int whole = std::clamp(int(quality), 0, kWorstLameVbrQuality);
    if (whole >= kWorstLameVbrQuality)
        return kTypicalVbrKbps[kWorstLameVbrQuality];
    const double part = quality - whole;
    return kTypicalVbrKbps[whole] + part * (kTypicalVbrKbps[whole + 1] - kTypicalVbrKbps[whole]);
}

int AutoBitSavingSteps(int vbrLevel, int bitrate) {
    const double base = 10 - 2 * vbrLevel;
    int steps = 0;
    while (steps < kMaxBitSaving && base + kBitSavingStep * steps < kWorstLameVbrQuality &&
           TypicalVbrKbps(base + kBitSavingStep * steps) > bitrate)
        ++steps;
    return steps;
}

double LameVbrQuality(const EncodeSettings& settings) {
    const int steps = settings.bitSavingAuto
                          ? AutoBitSavingSteps(settings.vbrLevel, settings.bitrate)
                          : settings.bitSaving;
    return std::min<double>(kWorstLameVbrQuality,
                            10 - 2 * settings.vbrLevel + kBitSavingStep * steps);
}

bool ParseArguments(int argc, const char* const* argv, EncodeSettings& settings,
                    std::string& error) {
    settings = EncodeSettings();
    if (argc < 3 || argv == nullptr) {
        error = "an input and an output path are needed";
        return false;
    }
    for (int i = 0; i < argc; ++i) {
        if (argv[i] == nullptr) {
            error = "argument " + std::to_string(i) + " is missing";
            return false;
        }
    }
    // The paths are never options, whatever they start with.
    const int firstPath = argc - 2;
    for (int i = 1; i < firstPath; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-' || arg[1] == '\0') {
            error = "unexpected argument " + Quoted(arg);
            return false;
        }
        const char option = arg[1];
        const char* rest = arg + 2;
        switch (option) {
            case 'b': {
                // The engine passes "-b 128" as one argument; "-b128" and "-b" "128" are
                // accepted too.
                while (*rest == ' ')
                    ++rest;
                std::string shown = Quoted(arg);
                if (*rest == '\0') {
                    if (i + 1 >= firstPath) {
                        error = "missing bitrate after " + shown;
                        return false;
                    }
                    rest = argv[++i];
                    shown += " " + Quoted(rest);
                }
                int kbps = 0;
                if (!ParseNumber(rest, kbps)) {
                    error = "bad bitrate in " + shown;
                    return false;
                }
                if (!IsLayer3Bitrate(kbps)) {
                    error = "bitrate in " + shown + " is not an MP3 bitrate";
                    return false;
                }
                settings.bitrate = kbps;
                break;
            }
            case 'q': {
                int q = 0;
                if (!ParseNumber(rest, q) || q > 3) {
                    error = "bad quality mode " + Quoted(arg) + " (-q0 to -q3)";
                    return false;
                }
                settings.qualityMode = q;
                break;
            }
            case 'm':
                if (std::strcmp(rest, "j") == 0) {
                    settings.stereo = StereoMode::Joint;
                } else if (std::strcmp(rest, "s") == 0) {
                    settings.stereo = StereoMode::Stereo;
                } else if (std::strcmp(rest, "J") == 0) {
                    settings.stereo = StereoMode::JointForcedMs;
                } else {
                    error = "bad stereo mode " + Quoted(arg) + " (-mj, -ms or -mJ)";
                    return false;
                }
                break;
            case 'v': {
                int level = 0;
                if (!ParseNumber(rest, level) || level > kMaxVbrLevel) {
                    error = "bad variable bitrate level " + Quoted(arg) + " (-v0 to -v5)";
                    return false;
                }
                settings.vbrLevel = level;
                break;
            }
            case 'c': {
                if (std::strcmp(rest, "a") == 0) {
                    settings.bitSavingAuto = true;
                    settings.bitSaving = 0;
                    break;
                }
                int steps = 0;
                if (!ParseNumber(rest, steps) || steps > kMaxBitSaving) {
                    error = "bad bit saving level " + Quoted(arg) + " (-c0 to -c4 or -ca)";
                    return false;
                }
                settings.bitSaving = steps;
                settings.bitSavingAuto = false;
                break;
            }
            case 'd':
                if (std::strcmp(rest, "1") != 0) {
                    error = "unknown option " + Quoted(arg);
                    return false;
                }
                settings.cpuHint = true;
                break;
            default:
                error = "unknown option " + Quoted(arg);
                return false;
        }
    }
    settings.input = argv[firstPath];
    settings.output = argv[firstPath + 1];
    if (settings.input.empty() || settings.output.empty()) {
        error = settings.input.empty() ? "the input path is empty" : "the output path is empty";
        return false;
    }
    return true;
}

}  // namespace vadav
