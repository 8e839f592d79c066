// The argument vector of one job, as the encoder library receives it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "engine/encodeargs.h"

namespace {

using Args = std::vector<std::string>;

struct ArgsCase {
    const char* name;
    qar::EngineOptions options;  // bitrate, quickmode, stereo, vbr, mmx, bitcut
    Args options_args;           // what stands between "DUMMY" and the two paths
};

qar::EngineOptions Opt(int bitrate, int quickmode, int stereo, int vbr, int mmx, int bitcut) {
    return qar::EngineOptions{bitrate, quickmode, stereo, vbr, mmx, bitcut};
}

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ArgsCase& c, std::ostream* os) {
    *os << c.name;
}

class EncodeArgsTable : public testing::TestWithParam<ArgsCase> {};

TEST_P(EncodeArgsTable, BuildsTheLibrarysArguments) {
    const ArgsCase& c = GetParam();
    Args expected{"DUMMY"};
    expected.insert(expected.end(), c.options_args.begin(), c.options_args.end());
    expected.push_back("/src/in.wav");
    expected.push_back("/dst/out.mp3");
    EXPECT_EQ(qar::BuildEncodeArgs(c.options, "/src/in.wav", "/dst/out.mp3"), expected);
}

const ArgsCase kCases[] = {
    // The three reference settings.
    {"Cbr128Joint", Opt(128, 0, 1, 0, 0, 3), {"-b 128", "-q0", "-mj"}},
    {"Vbr3SpeedAutoCut", Opt(160, 2, 0, 3, 0, 5), {"-b 160", "-q3", "-ms", "-v3", "-ca"}},
    {"NormalAtLowBitrate", Opt(64, 1, 0, 0, 0, 0), {"-b 64", "-q1", "-mJ", "-v1", "-c0"}},
    // Quality mode: speed and high speed are the same to the library.
    {"HighSpeed", Opt(128, 3, 1, 0, 0, 0), {"-b 128", "-q3", "-mj"}},
    // Stereo: below 80 kbps always mid/side, whatever the setting; MS stereo at any rate.
    {"LowBitrateJointBecomesMs", Opt(64, 0, 1, 0, 0, 0), {"-b 64", "-q0", "-mJ"}},
    {"JustBelowThreshold", Opt(79, 0, 0, 0, 0, 0), {"-b 79", "-q0", "-mJ"}},
    {"AtThreshold", Opt(80, 0, 0, 0, 0, 0), {"-b 80", "-q0", "-ms"}},
    {"NegativeBitrateIsBelow", Opt(-1, 0, 0, 0, 0, 0), {"-b -1", "-q0", "-mJ"}},
    {"MsStereoAtHighBitrate", Opt(320, 0, 2, 0, 0, 0), {"-b 320", "-q0", "-mJ"}},
    // The VBR pair: only with vbr or normal mode; bitcut 5 is automatic.
    {"NoVbrNoPairEvenWithCut", Opt(128, 0, 0, 0, 0, 5), {"-b 128", "-q0", "-ms"}},
    {"VbrWithCutZero", Opt(128, 0, 1, 2, 0, 0), {"-b 128", "-q0", "-mj", "-v2", "-c0"}},
    {"NormalModeAutoCut", Opt(128, 1, 1, 0, 0, 5), {"-b 128", "-q1", "-mj", "-v1", "-ca"}},
    {"NormalModeKeepsVbrLevel", Opt(128, 1, 1, 4, 0, 2), {"-b 128", "-q1", "-mj", "-v4", "-c2"}},
    // "-d1" after the pair, before the paths.
    {"MmxAlone", Opt(128, 0, 0, 0, 1, 0), {"-b 128", "-q0", "-ms", "-d1"}},
    {"AllNine", Opt(192, 2, 2, 5, 7, 4), {"-b 192", "-q3", "-mJ", "-v5", "-c4", "-d1"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, EncodeArgsTable, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ArgsCase>& i) { return i.param.name; });

TEST(EncodeArgs, PathsStayWholeArguments) {
    // Blanks, leading dashes, bytes that are not UTF-8 and lengths past the old 260-byte
    // buffers: each path is one argument, unchanged.
    const std::string in = "/music/-b 64 take \xff\xfe/" + std::string(300, 'x') + ".wav";
    const std::string out = "/out/a b -q3.mp3";
    const Args args = qar::BuildEncodeArgs(Opt(128, 0, 1, 0, 0, 0), in, out);
    ASSERT_EQ(args.size(), 6u);
    EXPECT_EQ(args[4], in);
    EXPECT_EQ(args[5], out);
}

}  // namespace
