// WAV header parsing (RIFF, RIFX and RF64 forms) and PCM sample reading.
//
// Real files are messier than the format description: chunks come in any order, writers
// forget pad bytes, streamed files carry placeholder sizes, and some files are simply cut
// off. The parser therefore trusts nothing but the file's real length: every read is checked
// against it, every offset is 64-bit, and the chunk walk always moves forward and gives up
// after a fixed number of chunks.

// 64-bit file offsets for fseeko/ftello on 32-bit builds too.
#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include "vadav/wavfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vadav {

namespace {

constexpr int kFormatPcm = 1;
constexpr std::uint32_t kFormatExtensible = 0xFFFE;
// Chunks examined before giving up; real files have a handful, a hostile one could have
// millions of empty ones.
constexpr int kMaxChunks = 4096;
// Entries of a LIST/INFO chunk kept, and bytes of one text read.
constexpr std::size_t kMaxInfoTags = 256;
constexpr std::uint64_t kMaxInfoText = 64 * 1024;
// Size entries of an RF64 ds64 table looked at.
constexpr std::uint32_t kMaxDs64Table = 64;
// A 32-bit chunk size meaning "unknown / see ds64" (RF64) or "still being written" (streams).
constexpr std::uint32_t kSizeUnknown = 0xFFFFFFFF;
// Raw bytes read from the file in one go by readFrames; bounds the reader's memory whatever
// the caller asks for.
constexpr std::size_t kReadBlockBytes = 1 << 20;
// The format chunk bytes we look at (the extensible layout ends at 40).
constexpr std::size_t kFmtBytesUsed = 40;

// The tail of the KSDATAFORMAT_SUBTYPE_* GUIDs (xxxxxxxx-0000-0010-8000-00aa00389b71), whose
// first field carries a classic format tag.
constexpr unsigned char kGuidTail[8] = {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

std::uint16_t Get16(const unsigned char* p, bool bigEndian) {
    return bigEndian ? std::uint16_t((p[0] << 8) | p[1]) : std::uint16_t((p[1] << 8) | p[0]);
}

std::uint32_t Get32(const unsigned char* p, bool bigEndian) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(p[bigEndian ? i : 3 - i]) << (8 * (3 - i));
    return v;
}

std::uint64_t Get64(const unsigned char* p, bool bigEndian) {
    const std::uint64_t lo = Get32(p + (bigEndian ? 4 : 0), bigEndian);
    const std::uint64_t hi = Get32(p + (bigEndian ? 0 : 4), bigEndian);
    return (hi << 32) | lo;
}

bool SameId(const unsigned char* p, const char* id) {
    return std::memcmp(p, id, 4) == 0;
}

// Chunk ids are four printable ASCII characters ("fmt ", "LIST", "_PMX"); anything else
// means we are not looking at a chunk header.
bool PlausibleId(const unsigned char* p) {
    return std::all_of(p, p + 4, [](unsigned char c) { return c >= 0x20 && c <= 0x7e; });
}

// Positioned reads from an open file that never go past its length as measured at open.
class Source {
public:
    Source(std::FILE* file, std::uint64_t size) : m_file(file), m_size(size) {}
    std::uint64_t size() const { return m_size; }

    bool read(std::uint64_t offset, void* buf, std::size_t n) {
        if (offset > m_size || n > m_size - offset)
            return false;
        if (fseeko(m_file, off_t(offset), SEEK_SET) != 0)
            return false;
        return std::fread(buf, 1, n, m_file) == n;
    }

    // A plausible chunk header (id and size) starts at offset and ends before limit.
    bool chunkAt(std::uint64_t offset, std::uint64_t limit) {
        unsigned char id[4];
        return offset <= limit && limit - offset >= 8 && read(offset, id, 4) && PlausibleId(id);
    }

    // Where the chunk after one whose body starts at body and holds size bytes begins
    // (size must not reach past limit). Odd sizes are followed by a pad byte, but some
    // writers forget it: when no chunk starts after the pad byte and one starts right at
    // the end of the body, the pad byte is missing.
    std::uint64_t nextChunk(std::uint64_t body, std::uint64_t size, std::uint64_t limit) {
        const std::uint64_t end = body + size;
        if ((size & 1) == 0)
            return end;
        if (!chunkAt(end + 1, limit) && chunkAt(end, limit))
            return end;
        return end + 1;
    }

private:
    std::FILE* m_file;
    std::uint64_t m_size;
};

// The classic format tag named by an extensible format chunk's sub-format GUID, or -1 when
// the GUID is not one of the tag-carrying ones. Big-endian (RIFX) writers disagree on how to
// store a GUID: some swap only the leading 16-bit tag, some the whole first field, so both
// layouts are accepted.
long SubFormatTag(const unsigned char* g, bool bigEndian) {
    if (std::memcmp(g + 8, kGuidTail, sizeof kGuidTail) != 0)
        return -1;
    const bool leTail = g[4] == 0 && g[5] == 0 && g[6] == 0x10 && g[7] == 0;
    const bool beTail = g[4] == 0 && g[5] == 0 && g[6] == 0 && g[7] == 0x10;
    if (!leTail && !beTail)
        return -1;
    if (!bigEndian) {
        const std::uint32_t first = Get32(g, false);
        return leTail && first <= 0xFFFF ? long(first) : -1;
    }
    const std::uint32_t whole = Get32(g, true);
    if (whole <= 0xFFFF)
        return long(whole);
    if (g[2] == 0 && g[3] == 0)
        return Get16(g, true);
    return -1;
}

// Reads the texts of a LIST/INFO chunk's body [begin, end) into tags.
void ParseInfoList(Source& src, std::uint64_t begin, std::uint64_t end, bool bigEndian,
                   std::vector<std::pair<std::string, std::string>>& tags) {
    std::uint64_t pos = begin;
    for (int n = 0; n < kMaxChunks && tags.size() < kMaxInfoTags; ++n) {
        unsigned char h[8];
        if (end < pos || end - pos < 8 || !src.read(pos, h, 8) || !PlausibleId(h))
            return;
        const std::uint64_t body = pos + 8;
        // A LIST whose last text runs past its end is taken for what it holds.
        const std::uint64_t size = std::min<std::uint64_t>(Get32(h + 4, bigEndian), end - body);
        std::string text(std::size_t(std::min(size, kMaxInfoText)), '\0');
        if (!text.empty() && !src.read(body, text.data(), text.size()))
            return;
        // Texts are NUL-terminated and sometimes padded with blanks.
        text.resize(std::min(text.find('\0'), text.size()));
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (!text.empty())
            tags.emplace_back(std::string(reinterpret_cast<char*>(h), 4), text);
        pos = src.nextChunk(body, size, end);
    }
}

// What a format chunk says, applied to info. f holds the first n bytes of the chunk
// (n >= 16). Returns false with error set when the chunk cannot describe readable data.
bool ApplyFormat(const unsigned char* f, std::size_t n, bool bigEndian, WavInfo& info,
                 std::string& error) {
    const std::uint32_t tag = Get16(f, bigEndian);
    info.channels = Get16(f + 2, bigEndian);
    const std::uint32_t rate = Get32(f + 4, bigEndian);
    info.blockAlign = Get16(f + 12, bigEndian);
    const int bits = Get16(f + 14, bigEndian);
    info.bitsPerSample = bits;
    info.sampleRate = rate > 0x7FFFFFFF ? 0 : int(rate);

    // Codings other than PCM are reported as minus their tag; a tag we cannot name (0, or an
    // unknown sub-format GUID) still has to read as negative, so it becomes minus 0xFFFE.
    long coding = tag;
    if (tag == kFormatExtensible) {
        if (n < kFmtBytesUsed) {
            error = "extensible format chunk without its sub-format";
            return false;
        }
        coding = SubFormatTag(f + 24, bigEndian);
    }
    if (coding <= 0)
        coding = kFormatExtensible;
    info.format = coding == kFormatPcm ? kFormatPcm : -int(coding);

    if (info.channels == 0) {
        error = "no channels";
        return false;
    }
    if (info.sampleRate == 0) {
        error = "invalid sample rate";
        return false;
    }
    if (info.format != kFormatPcm) {
        if (info.blockAlign == 0) {
            error = "invalid block align";
            return false;
        }
        return true;
    }
    // PCM samples sit in whole bytes (20-bit samples in 3 bytes); report the container width.
    const int sampleBytes = (bits + 7) / 8;
    if (bits == 0 || sampleBytes > 4) {
        error = "unsupported PCM sample width";
        return false;
    }
    if (info.blockAlign != sampleBytes * info.channels) {
        error = "block align does not match the sample width and channels";
        return false;
    }
    info.bitsPerSample = sampleBytes * 8;
    return true;
}

// Parses the header of an open file of the given length into info.
bool ParseHeader(std::FILE* file, std::uint64_t fileSize, WavInfo& info, std::string& error) {
    info = WavInfo();
    Source src(file, fileSize);
    unsigned char h[12];
    if (!src.read(0, h, sizeof h)) {
        error = fileSize == 0 ? "empty file" : "too short for a WAV file";
        return false;
    }
    const bool rf64 = SameId(h, "RF64") || SameId(h, "BW64");
    const bool be = SameId(h, "RIFX");
    if ((!SameId(h, "RIFF") && !rf64 && !be) || !SameId(h + 8, "WAVE")) {
        error = "not a WAV file";
        return false;
    }
    info.bigEndian = be;

    bool haveFmt = false;
    bool fmtOk = false;
    std::string fmtError;
    bool haveData = false;
    std::uint64_t ds64Data = 0;
    bool haveDs64 = false;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> ds64Table;

    std::uint64_t pos = 12;
    for (int n = 0; n < kMaxChunks; ++n) {
        unsigned char ch[8];
        // The walk ends at the end of the file or at bytes that are no chunk header (trailing
        // garbage, an appended tag); whether that is fatal depends on what was found before.
        if (fileSize - pos < 8 || !src.read(pos, ch, 8) || !PlausibleId(ch))
            break;
        const std::uint64_t body = pos + 8;
        const std::uint64_t avail = fileSize - body;
        const std::uint32_t size32 = Get32(ch + 4, be);
        std::uint64_t size = size32;
        if (rf64 && size32 == kSizeUnknown) {
            const std::uint32_t id = Get32(ch, false);
            if (SameId(ch, "data") && haveDs64)
                size = ds64Data;
            for (const auto& [tableId, tableSize] : ds64Table)
                if (tableId == id)
                    size = tableSize;
        }

        if (SameId(ch, "ds64") && rf64 && size >= 28 && size <= avail) {
            unsigned char d[28];
            if (src.read(body, d, sizeof d)) {
                haveDs64 = true;
                ds64Data = Get64(d + 8, false);
                const auto entries = std::uint32_t(std::min<std::uint64_t>(
                    {Get32(d + 24, false), (size - 28) / 12, kMaxDs64Table}));
                for (std::uint32_t i = 0; i < entries; ++i) {
                    unsigned char e[12];
                    if (!src.read(body + 28 + 12 * std::uint64_t(i), e, sizeof e))
                        break;
                    ds64Table.emplace_back(Get32(e, false), Get64(e + 4, false));
                }
            }
        } else if (SameId(ch, "fmt ") && !haveFmt) {
            haveFmt = true;
            unsigned char f[kFmtBytesUsed] = {};
            const std::size_t got = std::size_t(std::min<std::uint64_t>({size, avail, sizeof f}));
            if (!src.read(body, f, got)) {
                error = "read error in the format chunk";
                return false;
            }
            if (got < 16) {
                error = size < 16 ? "format chunk too short" : "file ends inside the format chunk";
                // Even a cut chunk may show a coding that is not PCM.
                if (got >= 2 && Get16(f, be) != kFormatPcm && Get16(f, be) != kFormatExtensible)
                    info.format = -int(Get16(f, be));
                return false;
            }
            fmtOk = ApplyFormat(f, got, be, info, fmtError);
            if (size > avail) {
                error = "file ends inside the format chunk";
                return false;
            }
        } else if (SameId(ch, "data") && !haveData) {
            haveData = true;
            info.dataOffset = body;
            // Streamed files carry a placeholder size, and cut files a size larger than what
            // is left: the samples are what the file holds.
            const bool openEnded = (size32 == kSizeUnknown && !(rf64 && haveDs64)) || size > avail;
            info.dataBytes = openEnded ? avail : size;
            if (openEnded)
                break;
        } else if (SameId(ch, "LIST") && info.infoTags.empty() && size >= 4 && avail >= 4) {
            unsigned char type[4];
            if (src.read(body, type, 4) && SameId(type, "INFO"))
                ParseInfoList(src, body + 4, body + std::min(size, avail), be, info.infoTags);
        }

        // Nothing can follow a chunk that runs past the end of the file.
        if (size > avail)
            break;
        pos = src.nextChunk(body, size, fileSize);
        if (pos >= fileSize)
            break;
    }

    if (!haveFmt) {
        error = "no format chunk";
        return false;
    }
    if (!fmtOk) {
        error = fmtError;
        return false;
    }
    if (!haveData) {
        error = "no data chunk";
        return false;
    }
    info.frames = info.dataBytes / std::uint64_t(info.blockAlign);
    return true;
}

// Opens path for reading when it names a regular file, and measures its length. Opening
// without blocking keeps a FIFO or device named *.wav from hanging the caller.
std::FILE* OpenRegularFile(const char* path, std::uint64_t& size, std::string& error) {
    if (path == nullptr || *path == '\0') {
        error = "no file name";
        return nullptr;
    }
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file";
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        error = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    size = std::uint64_t(st.st_size);
    return file;
}

// Widens n samples of width W bytes to left-justified int32. 8-bit WAV samples are unsigned
// whatever the byte order.
template <int W, bool BigEndian>
void Widen(const unsigned char* in, std::int32_t* out, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i, in += W) {
        std::uint32_t v = 0;
        for (int b = 0; b < W; ++b)
            v |= std::uint32_t(in[BigEndian ? b : W - 1 - b]) << (8 * (3 - b));
        if constexpr (W == 1)
            v ^= 0x80000000u;
        out[i] = static_cast<std::int32_t>(v);
    }
}

void WidenSamples(int width, bool bigEndian, const unsigned char* in, std::int32_t* out,
                  std::size_t n) {
    switch (width * 2 + (bigEndian ? 1 : 0)) {
        case 2:
        case 3:
            Widen<1, false>(in, out, n);
            break;
        case 4:
            Widen<2, false>(in, out, n);
            break;
        case 5:
            Widen<2, true>(in, out, n);
            break;
        case 6:
            Widen<3, false>(in, out, n);
            break;
        case 7:
            Widen<3, true>(in, out, n);
            break;
        case 8:
            Widen<4, false>(in, out, n);
            break;
        case 9:
            Widen<4, true>(in, out, n);
            break;
        default:
            break;
    }
}

}  // namespace

bool ReadWavHeader(const char* path, WavInfo& info, std::string& error) {
    info = WavInfo();
    error.clear();
    std::uint64_t size = 0;
    std::FILE* file = OpenRegularFile(path, size, error);
    if (file == nullptr)
        return false;
    const bool ok = ParseHeader(file, size, info, error);
    std::fclose(file);
    return ok;
}

WavReader::~WavReader() {
    close();
}

bool WavReader::open(const char* path) {
    close();
    m_error.clear();
    m_info = WavInfo();
    m_framesRead = 0;
    std::uint64_t size = 0;
    std::FILE* file = OpenRegularFile(path, size, m_error);
    if (file == nullptr)
        return false;
    if (!ParseHeader(file, size, m_info, m_error)) {
        std::fclose(file);
        return false;
    }
    if (m_info.format != kFormatPcm) {
        m_error = "not PCM";
        std::fclose(file);
        return false;
    }
    if (fseeko(file, off_t(m_info.dataOffset), SEEK_SET) != 0) {
        m_error = std::strerror(errno);
        std::fclose(file);
        return false;
    }
    m_file = file;
    return true;
}

long WavReader::readFrames(std::int32_t* out, long maxFrames) {
    if (m_file == nullptr) {
        m_error = "no file open";
        return -1;
    }
    if (out == nullptr || maxFrames <= 0)
        return 0;
    const std::uint64_t left = m_info.frames - m_framesRead;
    const std::uint64_t want = std::min<std::uint64_t>(left, std::uint64_t(maxFrames));
    const std::size_t frameBytes = std::size_t(m_info.blockAlign);
    const std::size_t width = frameBytes / std::size_t(m_info.channels);
    const std::uint64_t perBlock = std::max<std::size_t>(1, kReadBlockBytes / frameBytes);

    std::uint64_t done = 0;
    while (done < want) {
        const std::size_t frames = std::size_t(std::min(want - done, perBlock));
        const std::size_t bytes = frames * frameBytes;
        if (m_raw.size() < bytes)
            m_raw.resize(bytes);
        if (std::fread(m_raw.data(), 1, bytes, m_file) != bytes) {
            // The length was measured at open: a short read means the file shrank or the
            // disk failed, and a silently shortened MP3 would pass for a good one.
            m_error = std::ferror(m_file) ? "read error" : "file ended before its data did";
            return -1;
        }
        WidenSamples(int(width), m_info.bigEndian, m_raw.data(),
                     out + done * std::uint64_t(m_info.channels),
                     frames * std::size_t(m_info.channels));
        done += frames;
    }
    m_framesRead += done;
    return long(done);
}

void WavReader::close() {
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
}

}  // namespace vadav
