#include "engine/encodeargs.h"

namespace qar {

std::vector<std::string> BuildEncodeArgs(const EngineOptions& o, const std::string& input,
                                         const std::string& output) {
    std::vector<std::string> args;
    args.reserve(9);
    args.emplace_back("DUMMY");
    // The library reads the bitrate as one argument with the number after a blank.
    args.push_back("-b " + std::to_string(o.bitrate));
    // "speed" runs the library at its fastest setting, the same as "high speed".
    args.push_back(o.quickmode == 2 ? std::string("-q3") : "-q" + std::to_string(o.quickmode));
    // Low bitrates cannot afford two full channels, so they always get mid/side joint stereo.
    if (o.stereo == 2 || o.bitrate < 80)
        args.emplace_back("-mJ");
    else if (o.stereo != 0)
        args.emplace_back("-mj");
    else
        args.emplace_back("-ms");
    // "normal" quality is the library's variable bitrate at its lowest level.
    if (o.vbr != 0 || o.quickmode == 1) {
        args.push_back("-v" + std::to_string(o.vbr != 0 ? o.vbr : 1));
        args.push_back(o.bitcut == 5 ? std::string("-ca") : "-c" + std::to_string(o.bitcut));
    }
    if (o.mmx != 0)
        args.emplace_back("-d1");
    args.push_back(input);
    args.push_back(output);
    return args;
}

}  // namespace qar
