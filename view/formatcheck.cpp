#include "view/formatcheck.h"

#include "vadav/vadav.h"

namespace qar {

WavCheck CheckWavFormat(int sampleRate, int bitsPerSample) {
    // Integer division on purpose: 44100 and 44999 Hz both count as 44.
    const int k = sampleRate / 1000;
    if (k != 44 && k != 48 && k != 32)
        return WavCheck::BadRate;
    if (bitsPerSample != 16)
        return WavCheck::BadBits;
    return WavCheck::Ok;
}

WavCheck CheckWavFile(const std::string& path) {
    int rate = 0, bits = 0, channels = 0, format = 0;
    if (readWavInfo(path.c_str(), &rate, &bits, &channels, &format) != 0)
        return WavCheck::Unreadable;
    return CheckWavFormat(rate, bits);
}

const char* WavCheckMessage(WavCheck check) {
    switch (check) {
        case WavCheck::BadRate:
            return kBadRateMessage;
        case WavCheck::BadBits:
            return kBadBitsMessage;
        case WavCheck::Ok:
        case WavCheck::Unreadable:
            break;
    }
    return nullptr;
}

}  // namespace qar
