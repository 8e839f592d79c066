// The status dialog's texts: settings line, quality line and the title with the run's counts.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "engine/statusformat.h"

namespace {

struct SettingsCase {
    int kbps;
    int vbrLevel;
    int stereo;
    int quickmode;
    const char* expected;
};

TEST(StatusFormat, SettingsLine) {
    const SettingsCase cases[] = {
        {-192, 3, 1, 0, "192 kbps(可変 3), joint stereo, quality mode"},
        {128, 0, 1, 1, "128 kbps, joint stereo, normal mode"},
        // Mid/side stereo is shown as joint stereo too.
        {160, 0, 2, 2, "160 kbps, joint stereo, speed mode"},
        {320, 0, 0, 3, "320 kbps, stereo, high speed mode"},
        // Narrow bitrates are padded to three places, left aligned.
        {64, 0, 0, 0, "64  kbps, stereo, quality mode"},
        {-32, 5, 0, 1, "32  kbps(可変 5), stereo, normal mode"},
        // A mode the library does not know is not passed off as one it does.
        {128, 0, 1, 4, "128 kbps, joint stereo, unknown mode"},
        {128, 0, 1, -1, "128 kbps, joint stereo, unknown mode"},
        // The most negative bitrate must not overflow when negated.
        {INT_MIN, 1, 0, 0, "2147483648 kbps(可変 1), stereo, quality mode"},
    };
    for (const SettingsCase& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(qar::SettingsLine(c.kbps, c.vbrLevel, c.stereo, c.quickmode), c.expected);
    }
}

TEST(StatusFormat, QualityLineJudgesTheErrorRateAtItsBounds) {
    const struct {
        double errorRate;
        double average;
        const char* expected;
    } cases[] = {
        {0.0999, 0.0, "0.0999 (good)"},
        {0.1, 0.0, "0.1000 (normal)"},
        {0.4999, 0.0, "0.4999 (normal)"},
        {0.5, 0.0, "0.5000 (bad)"},
        {2.0, 0.0, "2.0000 (bad)"},
        {0.0, 0.0, "0.0000 (good)"},
        {0.01234, 187.5166, "0.0123 (good) 平均187.52(kbps)"},
        {0.25, 96.0, "0.2500 (normal) 平均96.00(kbps)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(qar::QualityLine(c.errorRate, c.average), c.expected);
    }
}

// The dialog hands the library's float on; 0.1f is a little above 0.1 as a double, 0.5f is
// exactly 0.5, so the bounds hold for the figures as the library reports them.
TEST(StatusFormat, DisplayFromTheLibraryFigures) {
    vadav_status s{};
    s.active = 1;
    s.percent = 42;
    s.kbps = -192;
    s.vbrLevel = 3;
    s.errorRate = 0.5f;
    s.averageKbps = 0.0f;
    std::strcpy(s.timeText, "01:23");
    std::strcpy(s.progressText, "1234 42%");

    qar::EncodeDisplay d = qar::FormatEncodeDisplay(s, 2, 0, true);
    EXPECT_EQ(d.timeText, "01:23");
    EXPECT_EQ(d.percent, 42);
    EXPECT_EQ(d.progressText, "1234 42%");
    EXPECT_EQ(d.settings, "192 kbps(可変 3), joint stereo, quality mode");
    EXPECT_EQ(d.quality, "0.5000 (bad)");

    s.errorRate = 0.1f;
    s.averageKbps = 201.25f;
    d = qar::FormatEncodeDisplay(s, 0, 3, true);
    EXPECT_EQ(d.quality, "0.1000 (normal) 平均201.25(kbps)");

    // No job in the queue: no settings in force and nothing to judge.
    d = qar::FormatEncodeDisplay(s, 0, 3, false);
    EXPECT_EQ(d.settings, "");
    EXPECT_EQ(d.quality, "");
    EXPECT_EQ(d.timeText, "01:23");

    // Texts that fill their arrays without a terminator are read no further.
    std::memset(s.timeText, '9', sizeof s.timeText);
    d = qar::FormatEncodeDisplay(s, 0, 0, true);
    EXPECT_EQ(d.timeText, std::string(sizeof s.timeText, '9'));
}

TEST(StatusFormat, TitleWithCounts) {
    const struct {
        const char* title;
        int taken;
        int total;
        const char* expected;
    } cases[] = {
        {"エンコード状況", 1, 10, "エンコード状況 (1/10)"},
        {"エンコード状況 (1/10)", 2, 10, "エンコード状況 (2/10)"},
        // Everything from the first " (" goes, including a second one.
        {"a (b) (c", 3, 4, "a (3/4)"},
        {"a(b)", 0, 2, "a(b) (0/2)"},
        {"", 1, 1, " (1/1)"},
        {" (", 5, 6, " (5/6)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(qar::TitleWithCounts(c.title, c.taken, c.total), c.expected);
    }
}

}  // namespace
