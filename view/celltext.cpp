#include "view/celltext.h"

#include <cstdio>

namespace qar {

std::string FormatInfoCell(int readResult, int sampleRate, int bits, int channels, int format) {
    // A header that was read but holds another coding than PCM gets its own text; only the
    // sign of the format code counts, whatever the reader returned.
    if (format < 0)
        return kNotPcmText;
    if (readResult != 0)
        return kFormatErrorText;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%dK %dbit %s", sampleRate / 1000, bits,
                  channels == 1 ? "mono" : "stereo");
    return buf;
}

std::string FormatWavSizeCell(std::uintmax_t bytes) {
    // A WAV file always shows at least 1K, so a tiny file never looks empty.
    const std::uintmax_t k = bytes / 1024;
    return std::to_string(k == 0 ? 1 : k) + "K";
}

std::string FormatMp3SizeCell(std::uintmax_t bytes) {
    return std::to_string(bytes / 1024) + "K";
}

std::string FormatDateCell(std::time_t when) {
    std::tm t{};
    if (!localtime_r(&when, &t))
        return std::string();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d", (t.tm_year + 1900) % 100,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
    return buf;
}

}  // namespace qar
