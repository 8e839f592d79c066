// Automatic marking: encodable rows whose MP3 is missing or stale get marked.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include "testutil.h"
#include "view/automark.h"

namespace {

namespace fs = std::filesystem;
using qar::kMarkMarked;
using qar::kMarkUnmarked;

void SetMtime(const std::string& path, std::time_t sec, long nsec = 0) {
    timespec times[2] = {{sec, nsec}, {sec, nsec}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

class AutoMarkTest : public ::testing::Test {
protected:
    AutoMarkTest() {
        m_src = (m_dir.path() / "src").string();
        m_out = (m_dir.path() / "out").string();
        fs::create_directories(m_src + "/live");
        fs::create_directories(m_out + "/live");
    }
    // A short WAV at m_src/rel, last written at kBase.
    void Wav(const std::string& rel, const testutil::WavSpec& spec = Short()) {
        testutil::WriteWav(m_src + "/" + rel, spec);
        SetMtime(m_src + "/" + rel, kBase);
    }
    // A stand-in MP3 at path, last written delta seconds after kBase (negative: before).
    void Mp3(const std::string& path, long delta, long nsec = 0) {
        testutil::WriteFile(path, "mp3");
        SetMtime(path, kBase + delta, nsec);
    }
    static testutil::WavSpec Short() {
        testutil::WavSpec w;
        w.frames = 10;
        return w;
    }

    static constexpr std::time_t kBase = 1000000000;
    testutil::TempDir m_dir;
    std::string m_src, m_out;
};

TEST_F(AutoMarkTest, MarksMissingOrStaleMp3s) {
    Wav("missing.wav");
    Wav("stale.wav");
    Mp3(m_out + "/stale.mp3", -10);
    Wav("fresh.wav");
    Mp3(m_out + "/fresh.mp3", +10);
    Wav("same.wav");
    Mp3(m_out + "/same.mp3", 0);
    // Whole seconds: an MP3 later within the same second still counts as equal.
    Wav("subsec.wav");
    Mp3(m_out + "/subsec.mp3", 0, 900000000);
    // Beside the WAV does not count when the output folder is elsewhere.
    Wav("beside.wav");
    Mp3(m_src + "/beside.mp3", +10);
    Wav("live/sub.wav");
    Mp3(m_out + "/live/sub.mp3", +10);
    Wav("live/substale.wav");
    Mp3(m_out + "/live/substale.mp3", -1);

    struct Case {
        const char* name;
        int expect;
    };
    const Case cases[] = {
        {"missing.wav", kMarkMarked},       {"stale.wav", kMarkMarked},
        {"fresh.wav", kMarkUnmarked},       {"same.wav", kMarkMarked},
        {"subsec.wav", kMarkMarked},        {"beside.wav", kMarkMarked},
        {"../live/sub.wav", kMarkUnmarked}, {"../live/substale.wav", kMarkMarked},
    };
    for (const Case& c : cases) {
        for (int before : {kMarkUnmarked, kMarkMarked}) {
            qar::PathContext ctx{m_src, m_out, false};
            EXPECT_EQ(qar::AutoMarkFor(c.name, before, ctx), c.expect) << c.name << " " << before;
        }
    }
}

TEST_F(AutoMarkTest, RowsThatCannotBeEncodedKeepTheirMark) {
    testutil::WriteFile(m_src + "/junk.wav", "no wave");
    testutil::WavSpec w = Short();
    w.sampleRate = 22050;
    Wav("22k.wav", w);
    w = Short();
    w.bits = 8;
    Wav("8bit.wav", w);
    for (const char* name : {"junk.wav", "22k.wav", "8bit.wav", "gone.wav", ""}) {
        for (int before : {kMarkUnmarked, kMarkMarked}) {
            qar::PathContext ctx{m_src, m_out, false};
            EXPECT_EQ(qar::AutoMarkFor(name, before, ctx), before) << name;
        }
    }
}

TEST_F(AutoMarkTest, SameFolderLooksBesideTheWav) {
    Wav("a.wav");
    Mp3(m_src + "/a.mp3", +10);
    Mp3(m_out + "/a.mp3", -10);
    Wav("live/b.wav");
    Mp3(m_out + "/live/b.mp3", +10);

    std::vector<qar::FileRow> rows(2);
    rows[0].name = "a.wav";
    rows[1].name = "../live/b.wav";
    qar::PathContext ctx{m_src, m_out, true};
    qar::ApplyAutoMarks(rows, ctx);
    EXPECT_EQ(rows[0].mark, kMarkUnmarked);
    EXPECT_EQ(rows[1].mark, kMarkMarked);
    EXPECT_EQ(ctx.output, m_src);
}

}  // namespace
