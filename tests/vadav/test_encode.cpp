// Encoding through _main and the instance API, judged by programs we did not write: mpg123
// and ffprobe read the MP3s, and the lame program encodes the reference frames.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "asnobody.h"
#include "testutil.h"
#include "vadav/encoder.h"
#include "vadav/vadav.h"

namespace {

namespace fs = std::filesystem;
using testutil::ReadFile;
using testutil::Sh;
using testutil::TempDir;
using testutil::WavSpec;
using testutil::WriteFile;
using testutil::WriteWav;

constexpr long kBlock = vadav::Encoder::kBlockFrames;

// Keeps an argument vector alive in the char** form the C entry points take.
class Argv {
public:
    Argv(std::vector<std::string> args) : m_args(std::move(args)) {
        for (auto& a : m_args)
            m_ptrs.push_back(a.data());
        m_ptrs.push_back(nullptr);
    }
    int argc() const { return int(m_args.size()); }
    char** argv() { return m_ptrs.data(); }

private:
    std::vector<std::string> m_args;
    std::vector<char*> m_ptrs;
};

std::vector<std::string> Args(std::vector<std::string> options, const std::string& in,
                              const std::string& out) {
    std::vector<std::string> v{"DUMMY"};
    v.insert(v.end(), options.begin(), options.end());
    v.push_back(in);
    v.push_back(out);
    return v;
}

// Runs _main and collects what it wrote to stderr.
int Main(const std::vector<std::string>& args, std::string* err = nullptr) {
    Argv a(args);
    std::fflush(stderr);
    const int saved = dup(2);
    std::FILE* capture = std::tmpfile();
    dup2(fileno(capture), 2);
    const int rc = _main(a.argc(), a.argv());
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::string text;
    std::rewind(capture);
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, capture)) > 0)
        text.append(buf, n);
    std::fclose(capture);
    if (err != nullptr)
        *err = text;
    return rc;
}

// Runs a whole encoding on a fresh instance; the error text when it fails.
int RunInstance(const std::vector<std::string>& args, std::string* error = nullptr) {
    vadav_encoder* enc = vadav_encoder_new();
    Argv a(args);
    const int rc = vadav_encoder_run(enc, a.argc(), a.argv());
    if (error != nullptr)
        *error = vadav_encoder_error(enc);
    vadav_encoder_free(enc);
    return rc;
}

// The value of the first "key": value in ffprobe's JSON output, without quotes.
std::string JsonValue(const std::string& json, const std::string& key) {
    const std::string k = "\"" + key + "\": ";
    const std::size_t at = json.find(k);
    if (at == std::string::npos)
        return "<none>";
    std::size_t b = at + k.size();
    std::size_t e = json.find_first_of(",\n", b);
    std::string v = json.substr(b, e - b);
    if (v.size() >= 2 && v.front() == '"')
        v = v.substr(1, v.size() - 2);
    return v;
}

// A tag of the file (ffprobe lists the file's tags last).
std::string TagValue(const std::string& json, const std::string& key) {
    const std::size_t tags = json.rfind("\"tags\": {");
    return tags == std::string::npos ? "<none>" : JsonValue(json.substr(tags), key);
}

std::string Probe(const std::string& path) {
    return testutil::Run("ffprobe -v error -count_frames -show_streams -show_format -of json " +
                         Sh(path))
        .out;
}

// Samples per channel that mpg123 plays (it honours the LAME tag's delay and padding).
long long Mpg123Samples(const std::string& path, int channels) {
    return static_cast<long long>(testutil::Run("mpg123 -q -s " + Sh(path)).out.size()) /
           (2 * channels);
}

// "mono", "stereo" or "j-s", as mpg123 describes the stream.
std::string Mpg123Mode(const std::string& path) {
    const std::string out = testutil::Run("mpg123 -t -v " + Sh(path), true).out;
    const std::size_t at = out.find("\nMPEG ");
    if (at == std::string::npos)
        return "<none>";
    const std::string line = out.substr(at + 1, out.find('\n', at + 1) - at - 1);
    return line.substr(line.rfind(' ') + 1);
}

std::string Mpg123Header(const std::string& path) {
    const std::string out = testutil::Run("mpg123 -t -v " + Sh(path), true).out;
    const std::size_t at = out.find("\nMPEG ");
    return at == std::string::npos ? "" : out.substr(at + 1, out.find('\n', at + 1) - at - 1);
}

// Byte offset of the first audio frame, after any ID3v2 tag and the Xing/LAME tag frame.
long long FirstAudioFrame(const std::string& path) {
    const std::string out =
        testutil::Run("ffprobe -v error -show_packets -of csv=p=0 -show_entries packet=pos " +
                      Sh(path))
            .out;
    return out.empty() ? -1 : std::stoll(out.substr(0, out.find_first_of(",\n")));
}

std::vector<std::string> Entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// ---- the stream as players see it -------------------------------------------------------

TEST(Encode, FormatsDecodeToTheirLengthWithTheAskedStream) {
    const struct {
        int bits;
        int channels;
        int rate;
        int kbps;
        const char* stereo;
        const char* mode;  // as mpg123 shows it
    } cases[] = {
        {8, 1, 8000, 32, "-mJ", "mono"},   {16, 2, 22050, 64, "-ms", "stereo"},
        {24, 2, 32000, 128, "-mj", "j-s"}, {32, 1, 44100, 128, "-ms", "mono"},
        {16, 2, 48000, 192, "-mJ", "j-s"}, {24, 2, 44100, 256, "-ms", "stereo"},
        {16, 2, 16000, 48, "-mj", "j-s"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits " << c.channels << " ch " << c.rate
                                        << " Hz " << c.kbps << " kbps " << c.stereo);
        WavSpec spec;
        spec.bits = c.bits;
        spec.channels = c.channels;
        spec.sampleRate = c.rate;
        spec.frames = c.rate + 123;  // not a whole number of frames or blocks
        const std::string in = dir.file("in.wav");
        const std::string out = dir.file("out.mp3");
        WriteWav(in, spec);
        ASSERT_EQ(Main(Args({"-b " + std::to_string(c.kbps), "-q0", c.stereo}, in, out)), 0);
        const std::string json = Probe(out);
        EXPECT_EQ(JsonValue(json, "sample_rate"), std::to_string(c.rate));
        EXPECT_EQ(JsonValue(json, "channels"), std::to_string(c.channels));
        EXPECT_EQ(JsonValue(json, "bit_rate"), std::to_string(c.kbps * 1000));
        EXPECT_EQ(Mpg123Mode(out), c.mode);
        EXPECT_EQ(Mpg123Samples(out, c.channels), spec.frames);
        EXPECT_NE(ReadFile(out).substr(0, 3), "ID3");  // no texts, no tag
    }
}

TEST(Encode, RateBelowEveryMp3RateIsResampledUp) {
    // libmp3lame raises 1 kHz to 8 kHz: eight times the samples of each block.
    TempDir dir;
    WavSpec spec;
    spec.sampleRate = 1000;
    spec.channels = 1;
    spec.freq = 100;
    spec.frames = 10000;  // more than one block
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.mp3");
    WriteWav(in, spec);
    std::string err;
    ASSERT_EQ(Main(Args({"-b 64", "-q0", "-mj"}, in, out), &err), 0) << err;
    EXPECT_EQ(JsonValue(Probe(out), "sample_rate"), "8000");
}

TEST(Encode, AudioFramesMatchTheLameProgram) {
    const struct {
        int bits;
        int channels;
        std::vector<std::string> ours;
        const char* lame;
    } cases[] = {
        {16, 2, {"-b 128", "-q0", "-mj"}, "-b 128 -q 2 -m j"},
        {24, 2, {"-b 128", "-q0", "-mj"}, "-b 128 -q 2 -m j"},
        {16, 2, {"-b 160", "-q3", "-ms"}, "-b 160 -q 7 -m s"},
        {16, 2, {"-b 192", "-q1", "-mJ"}, "-b 192 -q 5 -m f"},
        {16, 2, {"-b 160", "-q0", "-mj", "-v3", "-c0"}, "-V 4 -B 160 -q 2 -m j --resample 44.1"},
        {16, 2, {"-b 128", "-q0", "-mj", "-v5", "-c2"}, "-V 1 -B 128 -q 2 -m j --resample 44.1"},
        {16, 2, {"-b 160", "-q3", "-ms", "-v3", "-ca"}, "-V 4.5 -B 160 -q 7 -m s --resample 44.1"},
        {16, 1, {"-b 96", "-q2", "-mj", "-d1"}, "-b 96 -q 7"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits, " << c.lame);
        WavSpec spec;
        spec.bits = c.bits;
        spec.channels = c.channels;
        const std::string in = dir.file("in.wav");
        const std::string ours = dir.file("ours.mp3");
        const std::string ref = dir.file("ref.mp3");
        WriteWav(in, spec);
        ASSERT_EQ(Main(Args(c.ours, in, ours)), 0);
        ASSERT_EQ(testutil::Run(std::string("lame --silent --noreplaygain ") + c.lame + " " +
                                Sh(in) + " " + Sh(ref))
                      .status,
                  0);
        const long long at = FirstAudioFrame(ours);
        ASSERT_GT(at, 0);
        EXPECT_EQ(FirstAudioFrame(ref), at);
        const std::string a = ReadFile(ours);
        const std::string b = ReadFile(ref);
        EXPECT_GT(a.size(), std::size_t(at) + 1000);
        EXPECT_TRUE(a.substr(std::size_t(at)) == b.substr(std::size_t(at)))
            << "audio frames differ; sizes " << a.size() << " and " << b.size();
    }
}

TEST(Encode, VariableBitrateFileCarriesItsTagAndTrueDuration) {
    TempDir dir;
    WavSpec spec;
    spec.frames = 2 * 44100;
    spec.amplitude = 0.05;  // quiet, so the frames are far smaller than the cap
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.mp3");
    WriteWav(in, spec);
    ASSERT_EQ(Main(Args({"-b 320", "-q0", "-mj", "-v4", "-c0"}, in, out)), 0);

    const long long first = FirstAudioFrame(out);
    ASSERT_GT(first, 0);
    const std::string tagFrame = ReadFile(out).substr(0, std::size_t(first));
    EXPECT_NE(tagFrame.find("Xing"), std::string::npos);
    EXPECT_NE(tagFrame.find("LAME"), std::string::npos);
    EXPECT_NE(Mpg123Header(out).find(" vbr"), std::string::npos) << Mpg123Header(out);

    // ffprobe takes the duration from the tag's frame count; the start time is the delay.
    const std::string json = Probe(out);
    const double duration = std::stod(JsonValue(json, "duration"));
    const double start = std::stod(JsonValue(json, "start_time"));
    EXPECT_NEAR(duration - start, 2.0, 1152.0 / 44100);
    EXPECT_EQ(Mpg123Samples(out, 2), spec.frames);
    EXPECT_LT(std::stoi(JsonValue(json, "bit_rate")), 200000);  // truly variable: below the cap
}

TEST(Encode, InfoTextsBecomeId3v2Tags) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.mp3");
    const std::string artist = "\xe5\xa4\x9c\xe6\x9b\xb2 Band";  // UTF-8, not Latin-1
    ASSERT_EQ(
        testutil::Run("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=1 -ac 2 "
                      "-metadata title='Night Song' -metadata artist=" +
                      Sh(artist) +
                      " -metadata date=2003-05-01 -metadata comment=Remark -metadata album=Album "
                      "-metadata genre=Jazz -c:a pcm_s16le " +
                      Sh(in))
            .status,
        0);
    ASSERT_EQ(Main(Args({"-b 128", "-q0", "-mj"}, in, out)), 0);
    const std::string bytes = ReadFile(out);
    ASSERT_EQ(bytes.substr(0, 3), "ID3");
    EXPECT_NE(bytes.substr(bytes.size() - 128, 3), "TAG");  // no ID3v1
    const std::string json = Probe(out);
    EXPECT_EQ(TagValue(json, "title"), "Night Song");
    EXPECT_EQ(TagValue(json, "artist"), artist);
    EXPECT_EQ(TagValue(json, "album"), "Album");
    EXPECT_EQ(TagValue(json, "date"), "2003");
    EXPECT_EQ(TagValue(json, "genre"), "Jazz");
    EXPECT_EQ(TagValue(json, "comment"), "Remark");
    EXPECT_EQ(Mpg123Samples(out, 2), 44100);  // the tag does not upset the gapless figures
}

// ---- temporary file, stop and failures ----------------------------------------------------

TEST(Encode, StopBetweenStepsLeavesNothingAndKeepsTheOldFile) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.mp3");
    WriteWav(in, WavSpec());
    WriteFile(out, "an older mp3");
    vadav_encoder* enc = vadav_encoder_new();
    Argv a(Args({"-b 128", "-q0", "-mj"}, in, out));
    ASSERT_EQ(vadav_encoder_begin(enc, a.argc(), a.argv()), 0);
    EXPECT_EQ(vadav_encoder_step(enc), 1);
    EXPECT_EQ(vadav_encoder_step(enc), 1);
    // Meanwhile the output grows under a hidden temporary name beside the old file.
    const auto during = Entries(dir.path());
    ASSERT_EQ(during.size(), 3u);
    EXPECT_TRUE(std::regex_match(during[0], std::regex(R"(\.out\.mp3\.[A-Za-z0-9]{6}\.part)")))
        << during[0];
    EXPECT_EQ(ReadFile(out), "an older mp3");
    vadav_encoder_stop(enc);
    EXPECT_LT(vadav_encoder_step(enc), 0);
    EXPECT_NE(vadav_encoder_end(enc), 0);
    EXPECT_STREQ(vadav_encoder_error(enc), "stopped");
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"in.wav", "out.mp3"}));
    EXPECT_EQ(ReadFile(out), "an older mp3");

    // Ending early without a stop throws the file away too.
    ASSERT_EQ(vadav_encoder_begin(enc, a.argc(), a.argv()), 0);
    EXPECT_EQ(vadav_encoder_step(enc), 1);
    EXPECT_NE(vadav_encoder_end(enc), 0);
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"in.wav", "out.mp3"}));
    EXPECT_EQ(ReadFile(out), "an older mp3");
    vadav_encoder_free(enc);
}

TEST(Encode, StopFromAnotherThreadEndsWithinOneBlock) {
    TempDir dir;
    WavSpec spec;
    spec.frames = 20 * 44100;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.mp3");
    WriteWav(in, spec);
    const auto args = Args({"-b 128", "-q0", "-mj"}, in, out);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);

    // The instance API: samplesDone tells exactly how far the encoding went after the stop.
    {
        vadav_encoder* enc = vadav_encoder_new();
        int rc = 0;
        std::thread worker([&] {
            Argv a(args);
            rc = vadav_encoder_run(enc, a.argc(), a.argv());
        });
        vadav_status st{};
        while ((vadav_encoder_status(enc, &st) == 0 || st.samplesDone == 0) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        vadav_encoder_stop(enc);
        vadav_encoder_status(enc, &st);
        const long long atStop = st.samplesDone;
        worker.join();
        vadav_encoder_status(enc, &st);
        EXPECT_NE(rc, 0);
        EXPECT_STREQ(vadav_encoder_error(enc), "stopped");
        EXPECT_GT(atStop, 0);
        EXPECT_LE(st.samplesDone - atStop, kBlock);
        EXPECT_LT(st.samplesDone, spec.frames);
        EXPECT_EQ(st.running, 0);
        vadav_encoder_free(enc);
        EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"in.wav"});
    }

    // _main and stopRequest on the default encoder.
    {
        WriteFile(out, "an older mp3");
        // So that no figures of an earlier encoding are mistaken for this one's.
        ASSERT_NE(Main(Args({"-q9"}, in, out)), 0);
        int rc = 0;
        std::string err;
        std::thread worker([&] { rc = Main(args, &err); });
        int percent = 0;
        while (percent < 1 && std::chrono::steady_clock::now() < deadline) {
            dll_get_disp_info(nullptr, &percent, nullptr, nullptr, nullptr, nullptr, nullptr);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        stopRequest();
        int atStop = 0;
        dll_get_disp_info(nullptr, &atStop, nullptr, nullptr, nullptr, nullptr, nullptr);
        worker.join();
        int final = 0;
        dll_get_disp_info(nullptr, &final, nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_NE(rc, 0);
        EXPECT_EQ(err, "vadav: stopped\n");
        EXPECT_GE(atStop, 1);
        EXPECT_LE(final - atStop, 1);  // one block is half a percent of this file
        EXPECT_LT(final, 100);
        EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"in.wav", "out.mp3"}));
        EXPECT_EQ(ReadFile(out), "an older mp3");
    }
}

TEST(Encode, StopRequestWhileIdleDoesNotTouchTheNextEncoding) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.mp3");
    WriteWav(in, WavSpec());
    EXPECT_EQ(stopRequest(), 0);
    EXPECT_EQ(stopRequest(), 0);
    std::string err;
    ASSERT_EQ(Main(Args({"-b 128", "-q0", "-mj"}, in, out), &err), 0) << err;
    EXPECT_EQ(err, "");
    EXPECT_EQ(Mpg123Samples(out, 2), 44100);
}

TEST(Encode, FailuresLeaveNothingBehindAndSayWhy) {
    TempDir dir;
    const std::string good = dir.file("good.wav");
    WriteWav(good, WavSpec());
    const std::string text = dir.file("text.wav");
    WriteFile(text, "this is not a WAV file at all, just some words of text");
    WavSpec three;
    three.channels = 3;
    const std::string threeCh = dir.file("three.wav");
    WriteWav(threeCh, three);
    // The same bytes, but the format tag says IEEE float.
    WavSpec f;
    f.bits = 32;
    std::string floatBytes = testutil::WavBytes(f);
    floatBytes[20] = 3;
    const std::string floatWav = dir.file("float.wav");
    WriteFile(floatWav, floatBytes);
    const std::string regular = dir.file("regular");
    WriteFile(regular, "x");
    fs::create_directory(dir.path() / "isdir.mp3");

    const std::string out = (dir.path() / "out" / "out.mp3").string();
    const struct {
        const char* what;
        std::vector<std::string> args;
        const char* mentioned;
    } cases[] = {
        {"missing input", Args({"-b 128"}, dir.file("missing.wav"), out), "missing.wav"},
        {"not a WAV", Args({"-b 128"}, text, out), "text.wav"},
        {"not PCM", Args({"-b 128"}, floatWav, out), "float.wav"},
        {"three channels", Args({"-b 128"}, threeCh, out), "3 channels"},
        {"unknown option", Args({"-b 128", "-z"}, good, out), "\"-z\""},
        {"impossible bitrate", Args({"-b 144"}, good, out), "144 kbps"},
        {"folder below a file", Args({"-b 128"}, good, regular + "/sub/out.mp3"), "regular"},
        {"output is a folder", Args({"-b 128"}, good, dir.file("isdir.mp3")), "isdir.mp3"},
        {"too few arguments", {"DUMMY", out}, "output path"},
    };
    fs::create_directory(dir.path() / "out");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(out, "an older mp3");
        std::string err;
        EXPECT_NE(Main(c.args, &err), 0);
        EXPECT_EQ(err.rfind("vadav: ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(c.mentioned), std::string::npos) << err;
        EXPECT_EQ(Entries(dir.path() / "out"), std::vector<std::string>{"out.mp3"});
        EXPECT_EQ(ReadFile(out), "an older mp3");
        // The instance API keeps the same reason instead of printing it.
        std::string reason;
        EXPECT_NE(RunInstance(c.args, &reason), 0);
        EXPECT_EQ("vadav: " + reason + "\n", err);
    }
    EXPECT_EQ(Entries(dir.path() / "isdir.mp3"), std::vector<std::string>{});
    for (const auto& name : Entries(dir.path()))
        EXPECT_EQ(name.find(".part"), std::string::npos);
}

TEST(Encode, UnwritableFolderFailsForAnOrdinaryUser) {
    TempDir dir;
    fs::permissions(dir.path(), fs::perms(0755));
    const std::string in = dir.file("in.wav");
    WriteWav(in, WavSpec());
    fs::permissions(in, fs::perms(0644));
    const fs::path locked = dir.path() / "locked";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms(0555));
    const std::string out = (locked / "out.mp3").string();
    const std::string result = testutil::RunAsNobody([&] {
        std::string reason;
        const int rc = RunInstance(Args({"-b 128"}, in, out), &reason);
        return std::to_string(rc) + ":" + reason;
    });
    EXPECT_EQ(result.rfind("1:", 0), 0u) << result;
    EXPECT_NE(result.find("Permission denied"), std::string::npos) << result;
    EXPECT_EQ(Entries(locked), std::vector<std::string>{});
}

TEST(Encode, DiskFullFailsAndLeavesNothing) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    WavSpec spec;
    spec.frames = 2 * 44100;
    WriteWav(in, spec);  // about 80 kB of MP3 at 320 kbps
    const std::string out = dir.file("out.mp3");
    WriteFile(out, "an older mp3");
    const std::string errFile = dir.file("stderr.txt");
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // A file size limit makes every write past 16 kB fail with EFBIG, as a full disk would.
        const rlimit limit{16384, 16384};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
        const int fd = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 2);
        Argv a(Args({"-b 320", "-q3", "-ms"}, in, out));
        _exit(_main(a.argc(), a.argv()) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = ReadFile(errFile);
    EXPECT_EQ(err.rfind("vadav: ", 0), 0u) << err;
    EXPECT_NE(err.find("File too large"), std::string::npos) << err;
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"in.wav", "out.mp3", "stderr.txt"}));
    EXPECT_EQ(ReadFile(out), "an older mp3");
}

TEST(Encode, MissingFoldersAreMadeAndFilesGetTheUsualPermissions) {
    TempDir dir;
    const std::string in = dir.file("-in.wav");  // a path that looks like an option
    WriteWav(in, WavSpec());
    for (const mode_t mask : {mode_t(022), mode_t(002)}) {
        SCOPED_TRACE(testing::Message() << "umask " << std::oct << mask);
        const std::string out =
            (dir.path() / ("m" + std::to_string(mask)) / "b c" / "-out.mp3").string();
        const mode_t old = umask(mask);
        const int rc = Main(Args({"-b 128", "-q0", "-mj"}, in, out));
        umask(old);
        ASSERT_EQ(rc, 0);
        struct stat st {};
        ASSERT_EQ(stat(out.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
        ASSERT_EQ(stat(fs::path(out).parent_path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0777 & ~mask);
        EXPECT_EQ(Mpg123Samples(out, 2), 44100);
        EXPECT_EQ(Entries(fs::path(out).parent_path()), std::vector<std::string>{"-out.mp3"});
    }
}

TEST(Encode, StepsOnChangingThreadsAndParallelEncodersGiveTheSameFile) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    WriteWav(in, WavSpec());
    const auto opts = std::vector<std::string>{"-b 160", "-q0", "-mj", "-v3", "-c1"};
    ASSERT_EQ(RunInstance(Args(opts, in, dir.file("one.mp3"))), 0);
    const std::string reference = ReadFile(dir.file("one.mp3"));

    // Every step on a thread of its own, one after another.
    vadav_encoder* enc = vadav_encoder_new();
    Argv a(Args(opts, in, dir.file("hopping.mp3")));
    ASSERT_EQ(vadav_encoder_begin(enc, a.argc(), a.argv()), 0);
    int r = 1;
    while (r > 0)
        std::thread([&] { r = vadav_encoder_step(enc); }).join();
    EXPECT_EQ(r, 0);
    EXPECT_EQ(vadav_encoder_end(enc), 0);
    vadav_encoder_free(enc);
    EXPECT_TRUE(ReadFile(dir.file("hopping.mp3")) == reference);

    // Two encoders at the same time.
    int rc1 = -1, rc2 = -1;
    std::thread t1([&] { rc1 = RunInstance(Args(opts, in, dir.file("p1.mp3"))); });
    std::thread t2([&] { rc2 = RunInstance(Args(opts, in, dir.file("p2.mp3"))); });
    t1.join();
    t2.join();
    EXPECT_EQ(rc1, 0);
    EXPECT_EQ(rc2, 0);
    EXPECT_TRUE(ReadFile(dir.file("p1.mp3")) == reference);
    EXPECT_TRUE(ReadFile(dir.file("p2.mp3")) == reference);
}

// ---- progress figures ------------------------------------------------------------------

TEST(Status, FiguresBeforeDuringAndAfterAnEncoding) {
    const struct {
        std::vector<std::string> opts;
        int kbps;
        int level;
        bool vbr;
    } cases[] = {
        {{"-b 128", "-q0", "-mj"}, 128, 0, false},
        {{"-b 160", "-q0", "-ms", "-v3", "-c0"}, -160, 3, true},
    };
    TempDir dir;
    WavSpec spec;
    spec.frames = 3 * 44100;
    const std::string in = dir.file("in.wav");
    WriteWav(in, spec);
    const std::regex timeText(R"(\d\d:\d\d)");
    const std::regex progressText(R"((\d{4,}) ([ \d]\d|100)%)");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kbps);
        const std::string out = dir.file("out.mp3");
        vadav_encoder* enc = vadav_encoder_new();
        vadav_status st{};
        EXPECT_EQ(vadav_encoder_status(enc, &st), 0);
        EXPECT_EQ(st.percent, 0);
        EXPECT_EQ(st.running, 0);

        Argv a(Args(c.opts, in, out));
        ASSERT_EQ(vadav_encoder_begin(enc, a.argc(), a.argv()), 0);
        EXPECT_EQ(vadav_encoder_status(enc, &st), 1);
        EXPECT_EQ(st.running, 1);
        EXPECT_EQ(st.percent, 0);
        EXPECT_EQ(st.samplesTotal, spec.frames);

        // A second thread watches all the while; its view must only ever move forward.
        std::atomic<bool> done{false};
        int watched = 0;
        bool forward = true;
        std::thread watcher([&] {
            int last = 0;
            while (!done.load()) {
                vadav_status w{};
                vadav_encoder_status(enc, &w);
                forward = forward && w.percent >= last && w.percent <= 100 &&
                          std::regex_match(w.timeText, timeText) &&
                          std::regex_match(w.progressText, progressText);
                last = w.percent;
                ++watched;
                std::this_thread::yield();
            }
        });
        int last = 0;
        long long steps = 0;
        int r;
        while ((r = vadav_encoder_step(enc)) > 0) {
            ++steps;
            vadav_encoder_status(enc, &st);
            EXPECT_EQ(st.samplesDone, std::min<long long>(steps * kBlock, spec.frames));
            EXPECT_GE(st.percent, last);
            last = st.percent;
            EXPECT_EQ(st.kbps, c.kbps);
            EXPECT_EQ(st.vbrLevel, c.level);
            if (steps == 10) {
                EXPECT_GT(st.framesDone, 0);
                EXPECT_GT(st.mp3Bytes, 0);
                EXPECT_GT(st.errorRate, 0.0f);
                EXPECT_LT(st.errorRate, 0.1f);
                if (c.vbr) {
                    EXPECT_GT(st.averageKbps, 0.0f);
                } else {
                    EXPECT_EQ(st.averageKbps, 0.0f);
                }
            }
        }
        EXPECT_EQ(r, 0);
        EXPECT_LT(last, 100);
        ASSERT_EQ(vadav_encoder_end(enc), 0);
        done = true;
        watcher.join();
        EXPECT_TRUE(forward);
        EXPECT_GT(watched, 0);

        // The figures of the finished encoding stay, and they agree with ffprobe.
        EXPECT_EQ(vadav_encoder_status(enc, &st), 1);
        EXPECT_EQ(st.running, 0);
        EXPECT_EQ(st.percent, 100);
        EXPECT_EQ(st.samplesDone, spec.frames);
        const std::string json = Probe(out);
        EXPECT_EQ(std::to_string(st.framesDone), JsonValue(json, "nb_read_frames"));
        EXPECT_EQ(st.mp3Bytes, static_cast<long long>(fs::file_size(out)));
        std::smatch m;
        const std::string progress = st.progressText;
        ASSERT_TRUE(std::regex_match(progress, m, progressText)) << progress;
        EXPECT_EQ(std::stoi(m[1]), st.framesDone);
        EXPECT_EQ(m[2], "100");
        if (c.vbr) {
            EXPECT_NEAR(st.averageKbps, std::stod(JsonValue(json, "bit_rate")) / 1000,
                        0.03 * st.averageKbps);
        }
        vadav_encoder_free(enc);
    }
}

// The error rate compares the decoded MP3 with the input: a clean tone coded at a high
// bitrate is close, a low bitrate (which also resamples) is further off, and a 3 kHz tone
// would be far off if the two were out of step by even one sample.
TEST(Status, ErrorRateMeasuresTheCodingError) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.mp3");
    auto rate = [&](double freq, int kbps) {
        WavSpec spec;
        spec.freq = freq;
        WriteWav(in, spec);
        vadav_encoder* enc = vadav_encoder_new();
        Argv a(Args({"-b " + std::to_string(kbps), "-q0", "-mj"}, in, out));
        EXPECT_EQ(vadav_encoder_run(enc, a.argc(), a.argv()), 0);
        vadav_status st{};
        vadav_encoder_status(enc, &st);
        vadav_encoder_free(enc);
        return st.errorRate;
    };
    const float clean = rate(440, 192);
    const float low = rate(440, 32);
    const float high = rate(3000, 192);
    const float highLow = rate(3000, 32);
    EXPECT_GT(clean, 0.0f);
    EXPECT_LT(clean, 0.002f);
    EXPECT_GT(low, 2 * clean);
    EXPECT_LT(low, 0.1f);
    EXPECT_LT(high, 0.002f);
    EXPECT_GT(highLow, high);
    EXPECT_LT(highLow, 0.1f);
}

TEST(Status, DisplayInfoOfTheDefaultEncoder) {
    TempDir dir;
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.mp3");
    WriteWav(in, WavSpec());

    char* timeText = nullptr;
    char* progress = nullptr;
    int percent = -1, kbps = -1, level = -1;
    float errorRate = -1, average = -1;
    // After a call that could not start there is nothing to show.
    EXPECT_NE(Main(Args({"-q9"}, in, out)), 0);
    EXPECT_EQ(
        dll_get_disp_info(&timeText, &percent, &progress, &kbps, &errorRate, &average, &level), 0);
    ASSERT_NE(timeText, nullptr);
    ASSERT_NE(progress, nullptr);
    EXPECT_STREQ(timeText, "");
    EXPECT_EQ(percent, 0);
    EXPECT_EQ(kbps, 0);

    ASSERT_EQ(Main(Args({"-b 192", "-q1", "-mJ", "-v2", "-ca"}, in, out)), 0);
    EXPECT_EQ(
        dll_get_disp_info(&timeText, &percent, &progress, &kbps, &errorRate, &average, &level), 1);
    EXPECT_TRUE(std::regex_match(timeText, std::regex(R"(\d\d:\d\d)"))) << timeText;
    EXPECT_EQ(percent, 100);
    EXPECT_TRUE(std::regex_match(progress, std::regex(R"(\d{4} 100%)"))) << progress;
    EXPECT_EQ(kbps, -192);
    EXPECT_EQ(level, 2);
    EXPECT_GT(errorRate, 0.0f);
    EXPECT_GT(average, 0.0f);

    // Each thread has its own copy of the texts.
    const std::string mine = timeText;
    char* otherTime = nullptr;
    std::thread([&] {
        dll_get_disp_info(&otherTime, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }).join();
    EXPECT_NE(otherTime, timeText);
    EXPECT_EQ(timeText, mine);
}

TEST(Exports, SharedLibraryExportsExactlyTheApi) {
    const auto r = testutil::Run("nm -D --defined-only " + Sh(VADAV_SHARED_LIBRARY));
    ASSERT_EQ(r.status, 0);
    std::vector<std::string> names;
    std::size_t pos = 0;
    while (pos < r.out.size()) {
        const std::size_t end = r.out.find('\n', pos);
        const std::string line = r.out.substr(pos, end - pos);
        pos = end == std::string::npos ? r.out.size() : end + 1;
        const std::size_t space = line.rfind(' ');
        if (space != std::string::npos)
            names.push_back(line.substr(space + 1));
    }
    std::sort(names.begin(), names.end());
    const std::vector<std::string> want = {
        "_main",
        "dll_get_disp_info",
        "readWavInfo",
        "stopRequest",
        "vadav_encoder_begin",
        "vadav_encoder_end",
        "vadav_encoder_error",
        "vadav_encoder_free",
        "vadav_encoder_new",
        "vadav_encoder_run",
        "vadav_encoder_status",
        "vadav_encoder_step",
        "vadav_encoder_stop",
    };
    EXPECT_EQ(names, want);
}

}  // namespace
