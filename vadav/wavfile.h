// WAV header parsing and PCM sample reading for vadav.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace vadav {

// What the header of a WAV file says, as far as the encoder cares.
struct WavInfo {
    int sampleRate = 0;
    int bitsPerSample = 0;  // container bits per sample: 8, 16, 24 or 32 for PCM
    int channels = 0;
    int format = 0;  // 1 for PCM (plain or extensible); minus the coding's format tag otherwise
    int blockAlign = 0;
    bool bigEndian = false;        // RIFX
    std::uint64_t dataOffset = 0;  // byte offset of the first sample
    std::uint64_t dataBytes = 0;   // sample bytes actually present in the file (never past its end)
    std::uint64_t frames = 0;      // dataBytes / blockAlign
    // Texts of a LIST/INFO chunk: four-letter id ("INAM", "IART", ...) and value.
    std::vector<std::pair<std::string, std::string>> infoTags;
};

// Reads the header of the file at path. Returns true when it names a WAV file whose format
// chunk and data chunk were found; info.format may then still be negative (not PCM). On
// false, error holds a short reason and info.format may be negative when the coding was seen.
bool ReadWavHeader(const char* path, WavInfo& info, std::string& error);

// Reads PCM samples of a WAV file, interleaved, each widened to a left-justified int32
// (full scale = INT32_MIN..INT32_MAX), whatever the file's width, sign or byte order.
class WavReader {
public:
    WavReader() = default;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // Opens the file and reads its header. False with error() set when it is not readable
    // PCM (8, 16, 24 or 32 bits).
    bool open(const char* path);
    const WavInfo& info() const { return m_info; }
    const std::string& error() const { return m_error; }

    // Reads up to maxFrames frames into out (room for maxFrames * channels values). Returns
    // the frames read: 0 at the end of the data, -1 on a read error (error() says why).
    long readFrames(std::int32_t* out, long maxFrames);
    std::uint64_t framesRead() const { return m_framesRead; }
    void close();

private:
    std::FILE* m_file = nullptr;
    WavInfo m_info;
    std::string m_error;
    std::uint64_t m_framesRead = 0;
    std::vector<unsigned char> m_raw;
};

}  // namespace vadav
