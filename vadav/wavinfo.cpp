// readWavInfo: the classic header query, on top of ReadWavHeader.
//
// Results:
//   0  the header was read and the data is PCM (format 1);
//   1  not a readable WAV file (missing, a folder, not RIFF/RIFX/RF64, cut or inconsistent
//      header); format is then 0 or 1, unless a coding other than PCM was seen;
//   2  the format chunk names a coding other than PCM (whether or not the rest of the
//      header is sound); format is minus the coding's tag.
// A file that is not PCM deliberately fails: every caller skips a file that fails, and none
// of them has any use for samples it cannot encode. The rate, bits and channels are filled
// in as far as the format chunk was read (0 where it was not), so a caller may still show
// them.

#include "vadav/vadav.h"
#include "vadav/wavfile.h"

#include <string>

namespace {

constexpr int kReadOk = 0;
constexpr int kReadFailed = 1;
constexpr int kReadNotPcm = 2;

void Put(int* out, int value) {
    if (out != nullptr)
        *out = value;
}

}  // namespace

int readWavInfo(const char* path, int* sampleRate, int* bitsPerSample, int* channels, int* format) {
    vadav::WavInfo info;
    std::string error;
    bool ok = false;
    try {
        ok = path != nullptr && vadav::ReadWavHeader(path, info, error);
    } catch (...) {
        // Out of memory while collecting texts: nothing may cross the C boundary.
        info = vadav::WavInfo();
        ok = false;
    }
    Put(sampleRate, info.sampleRate);
    Put(bitsPerSample, info.bitsPerSample);
    Put(channels, info.channels);
    Put(format, info.format);
    if (info.format < 0)
        return kReadNotPcm;
    return ok ? kReadOk : kReadFailed;
}
