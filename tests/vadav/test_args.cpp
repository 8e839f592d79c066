// The encoder's argument vector: what is accepted, what it means, and what is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vadav/args.h"

namespace {

using vadav::EncodeSettings;
using vadav::ParseArguments;
using vadav::StereoMode;

bool Parse(const std::vector<std::string>& args, EncodeSettings& settings, std::string& error) {
    std::vector<const char*> argv;
    for (const auto& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);
    return ParseArguments(int(args.size()), argv.data(), settings, error);
}

struct Accepted {
    std::vector<std::string> args;
    int bitrate;
    int qualityMode;
    StereoMode stereo;
    int vbrLevel;
    int bitSaving;
    bool bitSavingAuto;
    bool cpuHint;
    const char* input;
    const char* output;
};

TEST(ParseArguments, AcceptedVectors) {
    const StereoMode J = StereoMode::Joint;
    const StereoMode S = StereoMode::Stereo;
    const StereoMode F = StereoMode::JointForcedMs;
    const Accepted cases[] = {
        // The engine's own vectors.
        {{"DUMMY", "-b 128", "-q0", "-mj", "in.wav", "out.mp3"},
         128,
         0,
         J,
         0,
         0,
         false,
         false,
         "in.wav",
         "out.mp3"},
        {{"DUMMY", "-b 160", "-q3", "-ms", "-v3", "-ca", "in.wav", "out.mp3"},
         160,
         3,
         S,
         3,
         0,
         true,
         false,
         "in.wav",
         "out.mp3"},
        {{"DUMMY", "-b 64", "-q1", "-mJ", "-v1", "-c0", "in.wav", "out.mp3"},
         64,
         1,
         F,
         1,
         0,
         false,
         false,
         "in.wav",
         "out.mp3"},
        {{"DUMMY", "-b 320", "-q0", "-mj", "-v5", "-c4", "-d1", "/a b/in.wav", "/c d/out.mp3"},
         320,
         0,
         J,
         5,
         4,
         false,
         true,
         "/a b/in.wav",
         "/c d/out.mp3"},
        // The other spellings of the bitrate; -v0 is constant bitrate.
        {{"DUMMY", "-b96", "-q2", "i", "o"}, 96, 2, J, 0, 0, false, false, "i", "o"},
        {{"DUMMY", "-b", "8", "-v0", "i", "o"}, 8, 1, J, 0, 0, false, false, "i", "o"},
        // Nothing but the paths: the defaults.
        {{"DUMMY", "i", "o"}, 128, 1, J, 0, 0, false, false, "i", "o"},
        // The last two are paths whatever they look like.
        {{"DUMMY", "-b 128", "-q0", "-in.wav"}, 128, 1, J, 0, 0, false, false, "-q0", "-in.wav"},
        {{"DUMMY", "-mj", "-b 192"}, 128, 1, J, 0, 0, false, false, "-mj", "-b 192"},
        // A later option overrides an earlier one.
        {{"DUMMY", "-ca", "-c2", "-ms", "-mJ", "i", "o"}, 128, 1, F, 0, 2, false, false, "i", "o"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EncodeSettings s;
        std::string error;
        ASSERT_TRUE(Parse(c.args, s, error)) << error;
        EXPECT_EQ(s.bitrate, c.bitrate);
        EXPECT_EQ(s.qualityMode, c.qualityMode);
        EXPECT_EQ(s.stereo, c.stereo);
        EXPECT_EQ(s.vbrLevel, c.vbrLevel);
        EXPECT_EQ(s.bitSaving, c.bitSaving);
        EXPECT_EQ(s.bitSavingAuto, c.bitSavingAuto);
        EXPECT_EQ(s.cpuHint, c.cpuHint);
        EXPECT_EQ(s.input, c.input);
        EXPECT_EQ(s.output, c.output);
    }
}

TEST(ParseArguments, RejectedVectorsNameTheArgument) {
    const struct {
        std::vector<std::string> args;
        const char* mentioned;
    } cases[] = {
        {{"DUMMY", "in.wav"}, "output path"},
        {{"DUMMY"}, "output path"},
        {{"DUMMY", "-b 128", "-q4", "i", "o"}, "\"-q4\""},
        {{"DUMMY", "-q", "i", "o"}, "\"-q\""},
        {{"DUMMY", "-q-1", "i", "o"}, "\"-q-1\""},
        {{"DUMMY", "-b 12x", "i", "o"}, "\"-b 12x\""},
        {{"DUMMY", "-b -5", "i", "o"}, "\"-b -5\""},
        {{"DUMMY", "-b 0", "i", "o"}, "\"-b 0\""},
        {{"DUMMY", "-b 100", "i", "o"}, "\"-b 100\""},
        {{"DUMMY", "-b 99999999999", "i", "o"}, "\"-b 99999999999\""},
        {{"DUMMY", "-b", "x", "i", "o"}, "\"-b\" \"x\""},
        // The bitrate is never taken from the paths.
        {{"DUMMY", "-b", "128", "o"}, "\"-b\""},
        {{"DUMMY", "-b", "i", "o"}, "\"-b\""},
        {{"DUMMY", "-mx", "i", "o"}, "\"-mx\""},
        {{"DUMMY", "-m", "i", "o"}, "\"-m\""},
        {{"DUMMY", "-mjs", "i", "o"}, "\"-mjs\""},
        {{"DUMMY", "-v6", "i", "o"}, "\"-v6\""},
        {{"DUMMY", "-v", "i", "o"}, "\"-v\""},
        {{"DUMMY", "-c5", "i", "o"}, "\"-c5\""},
        {{"DUMMY", "-cb", "i", "o"}, "\"-cb\""},
        {{"DUMMY", "-c", "i", "o"}, "\"-c\""},
        {{"DUMMY", "-d0", "i", "o"}, "\"-d0\""},
        {{"DUMMY", "-x", "i", "o"}, "\"-x\""},
        {{"DUMMY", "--", "i", "o"}, "\"--\""},
        {{"DUMMY", "-", "i", "o"}, "\"-\""},
        {{"DUMMY", "stray", "i", "o"}, "\"stray\""},
        {{"DUMMY", "", "o"}, "input path"},
        {{"DUMMY", "i", ""}, "output path"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        EncodeSettings s;
        std::string error;
        EXPECT_FALSE(Parse(c.args, s, error));
        EXPECT_NE(error.find(c.mentioned), std::string::npos) << error;
    }
}

TEST(ParseArguments, NullArgumentsAreRefused) {
    EncodeSettings s;
    std::string error;
    EXPECT_FALSE(ParseArguments(3, nullptr, s, error));
    const char* argv[] = {"DUMMY", nullptr, "o", nullptr};
    EXPECT_FALSE(ParseArguments(3, argv, s, error));
    EXPECT_FALSE(error.empty());
}

TEST(ArgumentMapping, QualityModesAndVbrQualities) {
    EXPECT_EQ(vadav::LameQuality(0), 2);
    EXPECT_EQ(vadav::LameQuality(1), 5);
    EXPECT_EQ(vadav::LameQuality(2), 7);
    EXPECT_EQ(vadav::LameQuality(3), 7);

    const struct {
        int level;
        int bitrate;
        int bitSaving;  // -1: -ca
        double lameV;
    } cases[] = {
        {1, 128, 0, 8},
        {2, 128, 0, 6},
        {3, 128, 0, 4},
        {4, 128, 0, 2},
        {5, 128, 0, 0},
        {3, 128, 2, 5},
        {5, 128, 4, 2},
        {1, 128, 1, 8.5},
        {1, 128, 4, 9},    // never past V9
        {3, 128, 3, 5.5},  // the stored defaults
        // -ca: the fewest levels (at most 4) whose typical average fits the bitrate.
        {5, 256, -1, 0},
        {5, 224, -1, 1.5},
        {5, 128, -1, 2},
        {3, 192, -1, 4},
        {3, 160, -1, 4.5},
        {3, 64, -1, 6},
        {1, 64, -1, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level << " bitrate " << c.bitrate
                                        << " saving " << c.bitSaving);
        EncodeSettings s;
        s.vbrLevel = c.level;
        s.bitrate = c.bitrate;
        s.bitSavingAuto = c.bitSaving < 0;
        s.bitSaving = c.bitSaving < 0 ? 0 : c.bitSaving;
        EXPECT_EQ(vadav::LameVbrQuality(s), c.lameV);
    }
}

}  // namespace
