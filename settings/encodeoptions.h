// The encoding options the user chooses and every run hands to the engine.
#pragma once

#include <cstdint>

#include "settings/settingskeys.h"

namespace qar {

// Values are taken as stored, without range checks; only a bitrate of 0 or less is
// replaced when read (LoadViewSettings).
struct EncodeOptions {
    std::int32_t bitrate = kDefaultBitrate;      // kbit/s
    std::int32_t quickmode = kDefaultQuickmode;  // 0 quality, 1 normal, 2 speed
    std::int32_t stereo = kDefaultStereo;        // 0 stereo, 1 joint stereo, 2 mid/side
    std::int32_t vbr = kDefaultVbr;              // 0 off, 1..5 variable bitrate level
    std::int32_t bitcut = kDefaultBitcut;        // 0 off, 1..4 bit-saving level, 5 automatic
    std::int32_t mmx = kDefaultMmx;              // nonzero: pass "-d1"
    std::int32_t prior = kDefaultPrior;          // worker priority index 0..3
};

}  // namespace qar
