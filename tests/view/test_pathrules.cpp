// How relative names become WAV and MP3 paths, and which formats may be encoded.
#include <gtest/gtest.h>

#include <string>

#include "testutil.h"
#include "view/formatcheck.h"
#include "view/pathrules.h"

namespace {

using qar::PathContext;

TEST(MakeMp3Name, ReplacesAWavExtensionElseAppends) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c :
         {Case{"Take1.WAV", "Take1.mp3"}, Case{"a.b.wav", "a.b.mp3"},
          Case{"take1.wave", "take1.wave.mp3"}, Case{"x.Wav", "x.mp3"},
          Case{"../live/take1", "../live/take1.mp3"}, Case{"..live/take1", "..live/take1.mp3"},
          Case{"../live.wav/take1", "../live.wav/take1.mp3"}, Case{"noext", "noext.mp3"},
          Case{".wav", ".mp3"}, Case{"", ".mp3"}})
        EXPECT_EQ(qar::MakeMp3Name(c.in), c.out) << c.in;
}

TEST(PathRules, WavAndMp3Paths) {
    const std::string longFolder = "/" + std::string(300, 'L');
    struct Case {
        std::string source, output;
        bool samedir;
        std::string name, wav, mp3;
    };
    const Case cases[] = {
        {"/wav", "/mp3", true, "take1.wav", "/wav/take1.wav", "/wav/take1.mp3"},
        {"/wav", "/mp3", false, "take1.wav", "/wav/take1.wav", "/mp3/take1.mp3"},
        {"/wav", "/mp3", false, "../live/take1.wav", "/wav/live/take1.wav", "/mp3/live/take1.mp3"},
        {"/wav", "/mp3", true, "../live/x/Take1.WAV", "/wav/live/x/Take1.WAV",
         "/wav/live/x/Take1.mp3"},
        // Folders that end with a separator get no second one.
        {"/wav", "/mp3/", false, "../live/take1.wav", "/wav/live/take1.wav", "/mp3/live/take1.mp3"},
        {"/wav", "/", false, "../live/take1.wav", "/wav/live/take1.wav", "/live/take1.mp3"},
        // The root as source: names below it carry no separator after the marker.
        {"/", "/mp3", false, "take1.wav", "/take1.wav", "/mp3/take1.mp3"},
        {"/", "/mp3", false, "..live/take1.wav", "/live/take1.wav", "/mp3/live/take1.mp3"},
        {"/", "/mp3/", false, "..live/take1.wav", "/live/take1.wav", "/mp3/live/take1.mp3"},
        {"/", "/mp3", true, "..live/take1.wav", "/live/take1.wav", "/live/take1.mp3"},
        // A file of the source folder whose own name starts with two dots is no marker name.
        {"/wav", "/mp3", false, "..take1.wav", "/wav/..take1.wav", "/mp3/..take1.mp3"},
        // No length limit.
        {longFolder, longFolder + "/out", false, "../" + std::string(300, 's') + "/t.wav",
         longFolder + "/" + std::string(300, 's') + "/t.wav",
         longFolder + "/out/" + std::string(300, 's') + "/t.mp3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + " " + c.output + " " + c.name);
        PathContext ctx{c.source, c.output, c.samedir};
        EXPECT_EQ(qar::GetWavPath(ctx, c.name), c.wav);
        EXPECT_EQ(qar::GetMp3Path(ctx, c.name), c.mp3);
        // The same-folder rule overwrites the output folder and it stays overwritten.
        EXPECT_EQ(ctx.output, c.samedir ? c.source : c.output);
    }
}

TEST(PathRules, TreeWalkNames) {
    EXPECT_EQ(qar::RelativeName("/wav", "/wav", "a.wav"), "a.wav");
    EXPECT_EQ(qar::RelativeName("/wav/live", "/wav", "b.wav"), "../live/b.wav");
    EXPECT_EQ(qar::RelativeName("/wav/live/x", "/wav", "c.wav"), "../live/x/c.wav");
    EXPECT_EQ(qar::RelativeName("/live", "/", "b.wav"), "..live/b.wav");
    EXPECT_EQ(qar::SubfolderPath("/", "live"), "/live");
    EXPECT_EQ(qar::SubfolderPath("/wav", "live"), "/wav/live");
    EXPECT_TRUE(qar::IsSubfolderName("..live/b.wav"));
    EXPECT_TRUE(qar::IsSubfolderName("../live/b.wav"));
    EXPECT_FALSE(qar::IsSubfolderName("..b.wav"));
    EXPECT_FALSE(qar::IsSubfolderName("b.wav"));
}

TEST(FormatCheck, RateFirstThenBits) {
    using qar::WavCheck;
    struct Case {
        int rate, bits;
        WavCheck expect;
    };
    for (const Case& c : {Case{44100, 16, WavCheck::Ok}, Case{44999, 16, WavCheck::Ok},
                          Case{48000, 16, WavCheck::Ok}, Case{32000, 16, WavCheck::Ok},
                          Case{45000, 16, WavCheck::BadRate}, Case{22050, 16, WavCheck::BadRate},
                          Case{96000, 16, WavCheck::BadRate}, Case{0, 16, WavCheck::BadRate},
                          Case{22050, 8, WavCheck::BadRate}, Case{44100, 8, WavCheck::BadBits},
                          Case{48000, 24, WavCheck::BadBits}})
        EXPECT_EQ(qar::CheckWavFormat(c.rate, c.bits), c.expect) << c.rate << " " << c.bits;

    EXPECT_STREQ(qar::WavCheckMessage(WavCheck::BadRate),
                 "Wave file samping rate supports only 44, 48, 32Kbps");
    EXPECT_STREQ(qar::WavCheckMessage(WavCheck::BadBits), "Wave file bits supports only 16bit");
    EXPECT_EQ(qar::WavCheckMessage(WavCheck::Ok), nullptr);
    EXPECT_EQ(qar::WavCheckMessage(WavCheck::Unreadable), nullptr);
}

TEST(FormatCheck, ReadsTheFile) {
    testutil::TempDir dir;
    testutil::WavSpec w;
    w.frames = 100;
    testutil::WriteWav(dir.file("ok.wav"), w);
    w.bits = 8;
    testutil::WriteWav(dir.file("8bit.wav"), w);
    w.bits = 16;
    w.sampleRate = 22050;
    testutil::WriteWav(dir.file("22k.wav"), w);
    testutil::WriteFile(dir.file("junk.wav"), "junk");
    EXPECT_EQ(qar::CheckWavFile(dir.file("ok.wav")), qar::WavCheck::Ok);
    EXPECT_EQ(qar::CheckWavFile(dir.file("8bit.wav")), qar::WavCheck::BadBits);
    EXPECT_EQ(qar::CheckWavFile(dir.file("22k.wav")), qar::WavCheck::BadRate);
    EXPECT_EQ(qar::CheckWavFile(dir.file("junk.wav")), qar::WavCheck::Unreadable);
    EXPECT_EQ(qar::CheckWavFile(dir.file("missing.wav")), qar::WavCheck::Unreadable);
}

}  // namespace
