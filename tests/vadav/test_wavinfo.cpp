// WAV header reading (readWavInfo, ReadWavHeader) and sample reading (WavReader), on files
// made by sox and ffmpeg and on hand-built headers that real writers get wrong. Sample
// values are judged by what sox decodes, not by our own reader.

#include "vadav/vadav.h"
#include "vadav/wavfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "testutil.h"

namespace {

namespace fs = std::filesystem;
using testutil::Sh;
using testutil::TempDir;

constexpr int kPcm = 1;
constexpr int kUnknownCoding = -0xFFFE;

// ---- byte builders for hand-made files ----

std::string U16(unsigned v, bool be = false) {
    std::string s(2, '\0');
    s[be ? 1 : 0] = char(v & 0xff);
    s[be ? 0 : 1] = char((v >> 8) & 0xff);
    return s;
}

std::string U32(std::uint32_t v, bool be = false) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[std::size_t(be ? 3 - i : i)] = char((v >> (8 * i)) & 0xff);
    return s;
}

std::string U64(std::uint64_t v) {
    return U32(std::uint32_t(v)) + U32(std::uint32_t(v >> 32));
}

// A chunk; size overrides the size field, pad=false leaves out the pad byte of an odd body.
std::string Chunk(const std::string& id, const std::string& body, bool be = false, bool pad = true,
                  std::int64_t size = -1) {
    std::string s = id + U32(std::uint32_t(size < 0 ? std::int64_t(body.size()) : size), be) + body;
    if (pad && body.size() % 2 == 1)
        s += '\0';
    return s;
}

std::string Fmt(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits,
                unsigned blockAlign, bool be = false) {
    return Chunk("fmt ",
                 U16(tag, be) + U16(channels, be) + U32(rate, be) + U32(rate * blockAlign, be) +
                     U16(blockAlign, be) + U16(bits, be),
                 be);
}

// WAVE_FORMAT_EXTENSIBLE with the sub-format GUID {subTag}-0000-0010-8000-00aa00389b71.
std::string FmtExt(unsigned subTag, unsigned channels, std::uint32_t rate, unsigned bits,
                   const char* tail = "\x80\x00\x00\xaa\x00\x38\x9b\x71") {
    const unsigned align = channels * bits / 8;
    return Chunk("fmt ", U16(0xFFFE) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) +
                             U16(bits) + U16(22) + U16(bits) + U32(3) + U32(subTag) + U16(0) +
                             U16(0x10) + std::string(tail, 8));
}

std::string Wave(const std::string& chunks, const std::string& form = "RIFF", bool be = false) {
    return form + U32(std::uint32_t(4 + chunks.size()), be) + "WAVE" + chunks;
}

std::string Samples(std::size_t bytes) {
    std::string s;
    for (std::size_t i = 0; i < bytes; ++i)
        s += char((i * 37 + 11) & 0xff);
    return s;
}

std::string Data(std::size_t bytes, bool be = false) {
    return Chunk("data", Samples(bytes), be);
}

// ---- what readWavInfo says ----

struct Probe {
    int rc = -99, rate = -1, bits = -1, channels = -1, format = -99;
};

Probe Info(const std::string& path) {
    Probe p;
    p.rc = readWavInfo(path.c_str(), &p.rate, &p.bits, &p.channels, &p.format);
    return p;
}

struct Expect {
    int rc;
    int format;
    int rate = 0, bits = 0, channels = 0;
    long frames = -1;  // checked when >= 0
};

// Checks readWavInfo and ReadWavHeader on one file against what is expected of it.
void Check(const std::string& path, const Expect& e) {
    const Probe p = Info(path);
    EXPECT_EQ(p.rc != 0, e.rc != 0) << "rc " << p.rc;
    EXPECT_EQ(p.format, e.format);
    if (e.rc == 0 || e.format < 0) {
        EXPECT_EQ(p.rate, e.rate);
        EXPECT_EQ(p.bits, e.bits);
        EXPECT_EQ(p.channels, e.channels);
    }
    vadav::WavInfo info;
    std::string error;
    const bool ok = vadav::ReadWavHeader(path.c_str(), info, error);
    EXPECT_EQ(ok && info.format == kPcm, e.rc == 0) << error;
    if (!ok) {
        EXPECT_FALSE(error.empty());
    }
    if (e.frames >= 0) {
        EXPECT_EQ(info.frames, std::uint64_t(e.frames));
    }
}

// The samples sox decodes from a file, as left-justified native int32.
std::vector<std::int32_t> SoxSamples(const std::string& path) {
    const auto r = testutil::Run("sox -D " + Sh(path) + " -t s32 -L -");
    EXPECT_EQ(r.status, 0) << "sox could not decode " << path;
    std::vector<std::int32_t> v(r.out.size() / 4);
    std::memcpy(v.data(), r.out.data(), v.size() * 4);
    return v;
}

// All samples our reader gives, read maxFrames at a time.
std::vector<std::int32_t> OurSamples(const std::string& path, long maxFrames) {
    vadav::WavReader reader;
    EXPECT_TRUE(reader.open(path.c_str())) << reader.error();
    const int ch = reader.info().channels;
    std::vector<std::int32_t> all;
    std::vector<std::int32_t> block(std::size_t(maxFrames) * std::size_t(std::max(ch, 1)));
    for (int guard = 0; guard < 1000000; ++guard) {
        const long n = reader.readFrames(block.data(), maxFrames);
        EXPECT_GE(n, 0) << reader.error();
        if (n <= 0)
            break;
        EXPECT_LE(n, maxFrames);
        all.insert(all.end(), block.begin(), block.begin() + n * ch);
    }
    EXPECT_EQ(reader.framesRead(), reader.info().frames);
    return all;
}

// ---- files made by third-party writers ----

struct ToolCase {
    const char* name;
    const char* command;  // %s stands for the output file
    Expect expect;
};

std::string Fill(const char* command, const std::string& path) {
    std::string c = command;
    c.replace(c.find("%s"), 2, Sh(path));
    return c;
}

TEST(WavInfo, FilesFromSoxAndFfmpeg) {
    const std::string ff = "ffmpeg -v error -y -f lavfi -i sine=f=440:r=44100 -t 0.05 ";
    const std::vector<ToolCase> cases = {
        {"u8 mono", "sox -n -r 8000 -c 1 -b 8 %s synth 0.05 sine 440", {0, kPcm, 8000, 8, 1, 400}},
        {"s16 stereo",
         "sox -n -r 44100 -c 2 -b 16 %s synth 0.05 sine 440",
         {0, kPcm, 44100, 16, 2, 2205}},
        {"s24 extensible",
         "sox -n -r 48000 -c 2 -b 24 %s synth 0.05 sine 440",
         {0, kPcm, 48000, 24, 2, 2400}},
        {"s32 extensible",
         "sox -n -r 32000 -c 1 -e signed -b 32 %s synth 0.05 sine 440",
         {0, kPcm, 32000, 32, 1, 1600}},
        {"RIFX s16",
         "sox -n -r 44100 -c 2 -b 16 -B %s synth 0.05 sine 440",
         {0, kPcm, 44100, 16, 2, 2205}},
        {"RIFX s24 extensible",
         "sox -n -r 44100 -c 2 -b 24 -B %s synth 0.05 sine 440",
         {0, kPcm, 44100, 24, 2, 2205}},
        {"sox float",
         "sox -n -r 44100 -c 2 -e floating-point -b 32 %s synth 0.05 sine 440",
         {2, -3, 44100, 32, 2}},
    };
    const std::vector<std::pair<std::string, Expect>> ffCases = {
        {"-rf64 always -c:a pcm_s16le", {0, kPcm, 44100, 16, 1, 2205}},
        {"-ac 6 -c:a pcm_s16le", {0, kPcm, 44100, 16, 6, 2205}},
        {"-write_bext 1 -metadata title=T -c:a pcm_s16le", {0, kPcm, 44100, 16, 1, 2205}},
        {"-c:a pcm_f32le", {2, -3, 44100, 32, 1}},
        {"-ac 3 -c:a pcm_f32le", {2, -3, 44100, 32, 3}},
        {"-c:a pcm_mulaw", {2, -7, 44100, 8, 1}},
        {"-c:a pcm_alaw", {2, -6, 44100, 8, 1}},
        {"-c:a adpcm_ms", {2, -2, 44100, 4, 1}},
        {"-c:a adpcm_ima_wav", {2, -17, 44100, 4, 1}},
        {"-c:a libmp3lame", {2, -85, 44100, 0, 1}},
    };
    TempDir dir;
    int i = 0;
    auto one = [&](const std::string& name, const std::string& command, const Expect& e) {
        SCOPED_TRACE(name);
        const std::string path = dir.file("f" + std::to_string(i++) + ".wav");
        ASSERT_EQ(testutil::Run(Fill(command.c_str(), path)).status, 0) << command;
        Check(path, e);
    };
    for (const auto& c : cases)
        one(c.name, c.command, c.expect);
    for (const auto& [opts, e] : ffCases)
        one(opts, ff + opts + " %s", e);
}

// ---- hand-built headers ----

TEST(WavInfo, HandBuiltHeaders) {
    const std::string fmt16 = Fmt(1, 2, 44100, 16, 4);
    const std::string data = Data(400);  // 100 frames of 16-bit stereo
    const std::string list = Chunk("LIST", "INFO" + Chunk("INAM", std::string("x\0", 2)));
    std::string manyJunk;
    for (int k = 0; k < 5000; ++k)
        manyJunk += Chunk("JUNK", "");
    std::string someJunk;
    for (int k = 0; k < 100; ++k)
        someJunk += Chunk("JUNK", "");
    const Expect ok16 = {0, kPcm, 44100, 16, 2, 100};
    const Expect bad = {1, 0};
    const Expect badPcm = {1, kPcm};

    const std::vector<std::tuple<const char*, std::string, Expect>> cases = {
        {"canonical", Wave(fmt16 + data), ok16},
        {"data before fmt", Wave(data + fmt16), ok16},
        {"chunks around",
         Wave(Chunk("JUNK", std::string(28, '\0')) + Chunk("bext", Samples(602)) + fmt16 +
              Chunk("fact", U32(100)) + list + data + Chunk("cue ", U32(0)) + list),
         ok16},
        {"odd chunk padded", Wave(Chunk("JUNK", "abc") + fmt16 + data), ok16},
        {"odd chunk without pad", Wave(Chunk("JUNK", "abc", false, false) + fmt16 + data), ok16},
        {"odd data without pad, then LIST",
         Wave(Fmt(1, 1, 8000, 8, 1) + Chunk("data", Samples(101), false, false) + list),
         {0, kPcm, 8000, 8, 1, 101}},
        {"data size 0xFFFFFFFF", Wave(fmt16 + Chunk("data", Samples(400), false, true, 0xFFFFFFFF)),
         ok16},
        {"data size past the end", Wave(fmt16 + Chunk("data", Samples(402), false, true, 100000)),
         ok16},
        {"partial frame at the end", Wave(fmt16 + Data(403)), ok16},
        {"empty data", Wave(fmt16 + Data(0)), {0, kPcm, 44100, 16, 2, 0}},
        {"garbage after data", Wave(fmt16 + data) + std::string("ID3\x03\x00\x00garbage", 13),
         ok16},
        {"100 empty chunks", Wave(someJunk + fmt16 + data), ok16},
        {"20-bit in 3 bytes",
         Wave(Fmt(1, 2, 48000, 20, 6) + Data(600)),
         {0, kPcm, 48000, 24, 2, 100}},
        {"RIFX", Wave(Fmt(1, 2, 44100, 16, 4, true) + Data(400, true), "RIFX", true), ok16},
        {"RF64 with ds64, a chunk after the data",
         Wave(Chunk("ds64", U64(1000) + U64(400) + U64(100) + U32(0)) + fmt16 +
                  Chunk("data", Samples(400), false, true, 0xFFFFFFFF) + list,
              "RF64"),
         ok16},
        {"RF64 chunk sized by the ds64 table",
         Wave(Chunk("ds64", U64(1000) + U64(400) + U64(100) + U32(1) + "JUNK" + U64(6)) +
                  Chunk("JUNK", "abcdef", false, true, 0xFFFFFFFF) + fmt16 +
                  Chunk("data", Samples(400), false, true, 0xFFFFFFFF),
              "RF64"),
         ok16},
        {"RF64 ds64 size past the end",
         Wave(Chunk("ds64", U64(1000) + U64(1ULL << 40) + U64(100) + U32(0)) + fmt16 +
                  Chunk("data", Samples(400), false, true, 0xFFFFFFFF),
              "RF64"),
         ok16},
        {"extensible PCM", Wave(FmtExt(1, 2, 44100, 16) + data), ok16},
        {"extensible float", Wave(FmtExt(3, 2, 44100, 32) + data), {2, -3, 44100, 32, 2}},
        {"extensible unknown GUID",
         Wave(FmtExt(1, 2, 44100, 16, "\x86\x44\xc8\xc1\xca\x00\x00\x00") + data),
         {2, kUnknownCoding, 44100, 16, 2}},
        {"extensible without GUID",
         Wave(Chunk("fmt ", U16(0xFFFE) + U16(2) + U32(44100) + U32(176400) + U16(4) + U16(16)) +
              data),
         bad},
        {"format tag 0", Wave(Fmt(0, 2, 44100, 16, 4) + data), {2, kUnknownCoding, 44100, 16, 2}},
        {"float without data", Wave(Fmt(3, 2, 44100, 32, 8)), {2, -3, 44100, 32, 2}},
        {"float with no channels", Wave(Fmt(3, 0, 44100, 32, 8) + data), {2, -3, 44100, 32, 0}},
        {"no channels", Wave(Fmt(1, 0, 44100, 16, 4) + data), badPcm},
        {"zero rate", Wave(Fmt(1, 2, 0, 16, 4) + data), badPcm},
        {"rate past 2^31", Wave(Fmt(1, 2, 0x80000000u, 16, 4) + data), badPcm},
        {"block align too small", Wave(Fmt(1, 2, 44100, 16, 3) + data), badPcm},
        {"block align zero", Wave(Fmt(1, 2, 44100, 16, 0) + data), badPcm},
        {"block align too large", Wave(Fmt(1, 2, 44100, 16, 8) + data), badPcm},
        {"zero bits", Wave(Fmt(1, 2, 44100, 0, 4) + data), badPcm},
        {"40 bits", Wave(Fmt(1, 1, 44100, 40, 5) + data), badPcm},
        {"fmt chunk too short", Wave(Chunk("fmt ", Fmt(1, 2, 44100, 16, 4).substr(8, 14)) + data),
         bad},
        {"no fmt", Wave(data), bad},
        {"no data", Wave(fmt16 + list), badPcm},
        {"huge chunk before fmt",
         Wave(Chunk("JUNK", "abcd", false, true, 0xFFFFFFF0) + fmt16 + data), bad},
        {"garbage chunk id before fmt", Wave(Chunk("\x01\x02\x03\x04", "abcd") + fmt16 + data),
         bad},
        {"5000 empty chunks before fmt", Wave(manyJunk + fmt16 + data), bad},
        {"WAVE missing", "RIFF" + U32(100) + "AVI " + fmt16 + data, bad},
        {"text named .wav", "This is a text file, not a sound.\n", bad},
        {"empty file", "", bad},
        {"RIFF only", "RIFF", bad},
    };
    TempDir dir;
    for (const auto& [name, bytes, e] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.file("x.wav");
        testutil::WriteFile(path, bytes);
        Check(path, e);
    }
}

TEST(WavInfo, ThingsThatAreNoFiles) {
    TempDir dir;
    fs::create_directory(dir.path() / "folder.wav");
    ASSERT_EQ(mkfifo(dir.file("fifo.wav").c_str(), 0600), 0);
    for (const std::string name : {"folder.wav", "missing.wav", "fifo.wav"}) {
        SCOPED_TRACE(name);
        // A FIFO with no writer would block an ordinary open for ever.
        const Probe p = Info(dir.file(name));
        EXPECT_NE(p.rc, 0);
        EXPECT_GE(p.format, 0);
    }
    int rate = -1, bits = -1, channels = -1, format = -1;
    EXPECT_NE(readWavInfo(nullptr, &rate, &bits, &channels, &format), 0);
    EXPECT_GE(format, 0);
    EXPECT_NE(readWavInfo("", &rate, &bits, &channels, &format), 0);
    // Callers that want only the result may pass no outputs.
    testutil::WriteWav(dir.file("ok.wav"), {44100, 2, 16, 10});
    EXPECT_EQ(readWavInfo(dir.file("ok.wav").c_str(), nullptr, nullptr, nullptr, nullptr), 0);
}

using Tags = std::vector<std::pair<std::string, std::string>>;

Tags TagsOf(const std::string& path) {
    vadav::WavInfo info;
    std::string error;
    EXPECT_TRUE(vadav::ReadWavHeader(path.c_str(), info, error)) << error;
    return info.infoTags;
}

TEST(WavInfo, InfoTexts) {
    TempDir dir;
    // As ffmpeg writes them (it stores the track number as IPRT).
    const std::string made = dir.file("made.wav");
    ASSERT_EQ(testutil::Run("ffmpeg -v error -y -f lavfi -i sine -t 0.05 -fflags +bitexact "
                            "-metadata title='Night Song' -metadata artist=Ar -metadata album=Albm "
                            "-metadata date=1999 -metadata comment=Cm -metadata genre=Jazz "
                            "-metadata track=3 -c:a pcm_s16le " +
                            Sh(made))
                  .status,
              0);
    const Tags want = {{"IART", "Ar"},         {"ICMT", "Cm"},   {"ICRD", "1999"}, {"IGNR", "Jazz"},
                       {"INAM", "Night Song"}, {"IPRD", "Albm"}, {"IPRT", "3"}};
    Tags got = TagsOf(made);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, want);

    // Hand-built, after the data: odd sizes padded and not, blank padding, non-ASCII bytes
    // kept as they are, an empty text dropped.
    const std::string utf8 = "\xe5\xa4\x9c\xe6\x9b\xb2";
    const std::string info =
        "INFO" + Chunk("INAM", utf8 + std::string("\0", 1)) + Chunk("IART", "Band  ") +
        Chunk("ICMT", "", false) + Chunk("ICRD", "2001", false, false) +
        Chunk("ITRK", std::string("12\0", 3), false, false) + Chunk("IGNR", "Rock");
    const std::string hand = dir.file("hand.wav");
    testutil::WriteFile(hand, Wave(Fmt(1, 1, 8000, 8, 1) + Data(11) + Chunk("LIST", info)));
    EXPECT_EQ(
        TagsOf(hand),
        (Tags{
            {"INAM", utf8}, {"IART", "Band"}, {"ICRD", "2001"}, {"ITRK", "12"}, {"IGNR", "Rock"}}));

    // A LIST of another kind carries no texts.
    testutil::WriteFile(hand, Wave(Fmt(1, 1, 8000, 8, 1) +
                                   Chunk("LIST", "adtl" + Chunk("labl", U32(1) + "x")) + Data(8)));
    EXPECT_TRUE(TagsOf(hand).empty());
}

// Cutting a file anywhere, or spoiling any byte of its header, must never crash or read out
// of bounds (the sanitizer builds watch that) and must either fail or give values that fit
// the bytes that are there.
TEST(WavInfo, CutAndSpoiledHeadersStaySane) {
    TempDir dir;
    const std::string full = dir.file("full.wav");
    ASSERT_EQ(
        testutil::Run("ffmpeg -v error -y -f lavfi -i sine -t 0.01 -write_bext 1 -metadata title=T "
                      "-metadata artist=A -c:a pcm_s16le -ac 2 " +
                      Sh(full))
            .status,
        0);
    const std::string bytes = testutil::ReadFile(full);
    vadav::WavInfo ref;
    std::string error;
    ASSERT_TRUE(vadav::ReadWavHeader(full.c_str(), ref, error)) << error;
    ASSERT_GT(ref.dataOffset, 600u);

    auto saneOrFailed = [&](const std::string& file, std::size_t size, bool sameFormat) {
        vadav::WavInfo info;
        std::string err;
        const bool ok = vadav::ReadWavHeader(file.c_str(), info, err);
        const Probe p = Info(file);
        EXPECT_EQ(p.rc == 0, ok && info.format == kPcm);
        if (!ok)
            return ok;
        EXPECT_GT(info.channels, 0);
        EXPECT_GT(info.sampleRate, 0);
        EXPECT_GT(info.blockAlign, 0);
        EXPECT_LE(info.dataOffset + info.dataBytes, size);
        EXPECT_LE(info.frames * std::uint64_t(info.blockAlign), info.dataBytes);
        if (sameFormat) {
            EXPECT_EQ(p.rate, ref.sampleRate);
            EXPECT_EQ(p.bits, ref.bitsPerSample);
            EXPECT_EQ(p.channels, ref.channels);
        }
        if (info.format == kPcm) {
            // The reader delivers exactly the frames the header promised, no more.
            vadav::WavReader reader;
            EXPECT_TRUE(reader.open(file.c_str())) << reader.error();
            std::vector<std::int32_t> buf(4608 * std::size_t(info.channels));
            std::uint64_t total = 0;
            for (long n; (n = reader.readFrames(buf.data(), 4608)) > 0;)
                total += std::uint64_t(n);
            EXPECT_EQ(total, info.frames);
        }
        return ok;
    };

    const std::string cut = dir.file("cut.wav");
    for (std::size_t len = 0; len <= ref.dataOffset + 9; ++len) {
        SCOPED_TRACE("cut at " + std::to_string(len));
        testutil::WriteFile(cut, bytes.substr(0, len));
        const bool ok = saneOrFailed(cut, len, true);
        // Without the complete data chunk header the header was not read.
        EXPECT_EQ(ok, len >= ref.dataOffset);
        EXPECT_GE(Info(cut).format, 0);
    }
    for (std::size_t pos = 0; pos < ref.dataOffset; ++pos) {
        for (const char v : {'\x00', '\x01', '\x7f', '\x80', '\xff'}) {
            std::string spoiled = bytes;
            if (spoiled[pos] == v)
                continue;
            spoiled[pos] = v;
            SCOPED_TRACE("byte " + std::to_string(pos) + " = " + std::to_string(int(v)));
            testutil::WriteFile(cut, spoiled);
            saneOrFailed(cut, spoiled.size(), false);
        }
    }
}

// ---- samples ----

TEST(WavReader, SamplesMatchSox) {
    const std::vector<std::pair<const char*, std::string>> makers = {
        {"u8 mono", "sox -n -r 8000 -c 1 -b 8 %s synth 0.3 whitenoise"},
        {"s16 stereo", "sox -n -r 44100 -c 2 -b 16 %s synth 0.3 whitenoise sine 440"},
        {"s24 stereo", "sox -n -r 48000 -c 2 -b 24 %s synth 0.3 whitenoise"},
        {"s32 mono", "sox -n -r 32000 -c 1 -e signed -b 32 %s synth 0.3 whitenoise"},
        {"RIFX u8", "sox -n -r 8000 -c 2 -b 8 -B %s synth 0.3 whitenoise"},
        {"RIFX s16", "sox -n -r 44100 -c 2 -b 16 -B %s synth 0.3 whitenoise"},
        {"RIFX s24", "sox -n -r 44100 -c 1 -b 24 -B %s synth 0.3 whitenoise"},
        {"RIFX s32", "sox -n -r 44100 -c 2 -e signed -b 32 -B %s synth 0.3 whitenoise"},
        {"RF64 s16",
         "ffmpeg -v error -y -f lavfi -i anoisesrc=r=44100 -t 0.3 -rf64 always "
         "-c:a pcm_s16le %s"},
        {"ffmpeg s24 with LIST",
         "ffmpeg -v error -y -f lavfi -i anoisesrc=r=44100 -t 0.3 "
         "-metadata title=T -c:a pcm_s24le -ac 2 %s"},
    };
    TempDir dir;
    for (const auto& [name, maker] : makers) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(std::string(name) + ".wav");
        ASSERT_EQ(testutil::Run(Fill(maker.c_str(), path)).status, 0);
        const std::vector<std::int32_t> want = SoxSamples(path);
        ASSERT_GT(want.size(), 1000u);
        // The encoder's block size, a size that leaves a remainder, and everything at once.
        for (const long block : {4608L, 1000L, 1L << 20}) {
            SCOPED_TRACE(block);
            EXPECT_EQ(OurSamples(path, block), want);
        }
    }
}

TEST(WavReader, KnownValuesAtTheExtremes) {
    // One frame per row: the file's bytes and the int32 each must become.
    struct Width {
        unsigned bits;
        bool be;
        std::string bytes;
        std::vector<std::int32_t> want;
    };
    const std::vector<Width> widths = {
        {8, false, std::string("\x00\x80\xff\x81", 4), {INT32_MIN, 0, 127 << 24, 1 << 24}},
        {16,
         false,
         std::string("\x00\x80\xff\x7f\xff\xff\x34\x12", 8),
         {INT32_MIN, 0x7fff0000, -65536, 0x12340000}},
        {16,
         true,
         std::string("\x80\x00\x7f\xff\xff\xff\x12\x34", 8),
         {INT32_MIN, 0x7fff0000, -65536, 0x12340000}},
        {24,
         false,
         std::string("\x00\x00\x80\xff\xff\x7f\x56\x34\x12\xff\xff\xff", 12),
         {INT32_MIN, 0x7fffff00, 0x12345600, -256}},
        {24,
         true,
         std::string("\x80\x00\x00\x7f\xff\xff\x12\x34\x56\xff\xff\xff", 12),
         {INT32_MIN, 0x7fffff00, 0x12345600, -256}},
        {32,
         false,
         std::string("\x00\x00\x00\x80\xff\xff\xff\x7f\x78\x56\x34\x12\xff\xff\xff\xff", 16),
         {INT32_MIN, INT32_MAX, 0x12345678, -1}},
        {32,
         true,
         std::string("\x80\x00\x00\x00\x7f\xff\xff\xff\x12\x34\x56\x78\xff\xff\xff\xff", 16),
         {INT32_MIN, INT32_MAX, 0x12345678, -1}},
    };
    TempDir dir;
    for (const auto& w : widths) {
        SCOPED_TRACE(std::to_string(w.bits) + (w.be ? " big-endian" : " little-endian"));
        const std::string path = dir.file("k.wav");
        testutil::WriteFile(
            path, Wave(Fmt(1, 1, 8000, w.bits, w.bits / 8, w.be) + Chunk("data", w.bytes, w.be),
                       w.be ? "RIFX" : "RIFF", w.be));
        EXPECT_EQ(OurSamples(path, 4608), w.want);
        EXPECT_EQ(SoxSamples(path), w.want);
    }
}

TEST(WavReader, RefusesWhatItCannotRead) {
    TempDir dir;
    const std::string f = dir.file("float.wav");
    testutil::WriteFile(f, Wave(Fmt(3, 1, 8000, 32, 4) + Data(40)));
    vadav::WavReader reader;
    EXPECT_FALSE(reader.open(f.c_str()));
    EXPECT_FALSE(reader.error().empty());
    std::int32_t out[8];
    EXPECT_EQ(reader.readFrames(out, 2), -1);
    EXPECT_FALSE(reader.open(dir.file("missing.wav").c_str()));
    EXPECT_FALSE(reader.error().empty());
}

TEST(WavReader, FileShrinkingWhileReadIsAnError) {
    TempDir dir;
    const std::string path = dir.file("s.wav");
    testutil::WriteWav(path, {44100, 2, 16, 20000});
    vadav::WavReader reader;
    ASSERT_TRUE(reader.open(path.c_str())) << reader.error();
    std::vector<std::int32_t> buf(4608 * 2);
    ASSERT_EQ(reader.readFrames(buf.data(), 4608), 4608);
    fs::resize_file(path, 44 + 4 * 6000);
    long n = 0;
    for (int guard = 0; guard < 10 && (n = reader.readFrames(buf.data(), 4608)) > 0; ++guard) {
    }
    // Ending early and calling that the end would make a short MP3 look complete.
    EXPECT_EQ(n, -1);
    EXPECT_FALSE(reader.error().empty());
}

}  // namespace
