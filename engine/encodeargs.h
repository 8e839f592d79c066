// The argument vector the engine hands the encoder library for one job.
#pragma once

#include <string>
#include <vector>

namespace qar {

// The six option values a run encodes with (the engine's copy of the view's options).
struct EngineOptions {
    int bitrate = 0;    // kbps
    int quickmode = 0;  // 0 quality, 1 normal, 2 speed, 3 high speed
    int stereo = 0;     // 0 stereo, 1 joint stereo, 2 MS stereo
    int vbr = 0;        // 0 off, 1..5 variable-bitrate level
    int mmx = 0;        // nonzero adds "-d1"
    int bitcut = 0;     // bit-saving level 0..4, 5 automatic
};

// Builds the library's argument vector for one job: "DUMMY", the options, then the input and
// output paths, each path one whole argument whatever it holds.
std::vector<std::string> BuildEncodeArgs(const EngineOptions& options, const std::string& input,
                                         const std::string& output);

}  // namespace qar
