// The settings store: defaults for what is missing or unreadable, the bitrate rule, and a
// faithful round trip of every value kept between runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "asnobody.h"
#include "settings/optionsettings.h"
#include "settings/qsettingsstore.h"
#include "settings/settingskeys.h"
#include "testutil.h"

namespace {

namespace fs = std::filesystem;
using qar::QSettingsStore;
using qar::ViewSettings;

// Everything the program reads, as one text, so a whole store compares in one line.
std::string Describe(const qar::SettingsStore& store) {
    const ViewSettings s = qar::LoadViewSettings(store);
    const qar::EncodeOptions& o = s.options;
    return "bitrate=" + std::to_string(o.bitrate) + " quickmode=" + std::to_string(o.quickmode) +
           " stereo=" + std::to_string(o.stereo) + " vbr=" + std::to_string(o.vbr) +
           " bitcut=" + std::to_string(o.bitcut) + " mmx=" + std::to_string(o.mmx) +
           " prior=" + std::to_string(o.prior) + " subdir=" + std::to_string(s.subdir) +
           " samedir=" + std::to_string(s.samedir) + " cdbase=" + s.cdbase +
           " wav=" + qar::LoadWavFileDir(store) + " mp3=" + qar::LoadMp3FileDir(store) +
           " pos=" + qar::LoadWindowPos(store);
}

const std::string kDefaults =
    "bitrate=128 quickmode=0 stereo=1 vbr=3 bitcut=3 mmx=0 prior=1 subdir=0 samedir=1 "
    "cdbase=track wav= mp3= pos=";

TEST(Settings, MissingOrCorruptedFileReadsAsDefaults) {
    testutil::TempDir dir;
    EXPECT_EQ(Describe(QSettingsStore(dir.file("missing.conf"))), kDefaults);

    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += char((i * 7919 + 13) % 256);
    testutil::WriteFile(dir.file("garbage.conf"), garbage);
    EXPECT_EQ(Describe(QSettingsStore(dir.file("garbage.conf"))), kDefaults);

    // Values that are no numbers read as missing; so does a folder in place of the file.
    testutil::WriteFile(dir.file("text.conf"),
                        "[Option]\nbitrate=fast\nquickmode=\nstereo=joint\nvbr=3x\n"
                        "bitcut=@Invalid()\nmmx=0x1\nprior=high\n[Path]\nsubdir=yes\n");
    EXPECT_EQ(Describe(QSettingsStore(dir.file("text.conf"))), kDefaults);
    fs::create_directory(dir.file("folder.conf"));
    EXPECT_EQ(Describe(QSettingsStore(dir.file("folder.conf"))), kDefaults);

    // A corrupted file does not stop the next save.
    {
        QSettingsStore store(dir.file("garbage.conf"));
        qar::SaveDialogOptions(store, 256, 1, 2, 4, 5);
    }
    EXPECT_EQ(qar::LoadBitrate(QSettingsStore(dir.file("garbage.conf"))), 256);
}

// Root reads every file; an ordinary user cannot read a file that is not his.
TEST(Settings, UnreadableFileReadsAsDefaults) {
    testutil::TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_exec);
    const std::string path = dir.file("qar.conf");
    testutil::WriteFile(path, "[Option]\nbitrate=256\nstereo=2\n[Path]\nsubdir=1\n");
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);

    // (The child goes first: a store this process has read stays cached in the child.)
    const std::string out = testutil::RunAsNobody([&] {
        QSettingsStore store(path);
        std::string s = Describe(store);
        qar::SaveDialogOptions(store, 320, 0, 0, 0, 0);  // fails, and is ignored
        return s;
    });
    EXPECT_EQ(out, kDefaults);
    EXPECT_EQ(testutil::ReadFile(path), "[Option]\nbitrate=256\nstereo=2\n[Path]\nsubdir=1\n");
    EXPECT_EQ(qar::LoadBitrate(QSettingsStore(path)), 256);  // the file itself is fine
}

TEST(Settings, BitrateOfZeroOrLessReadsAs128) {
    testutil::TempDir dir;
    struct Case {
        const char* stored;
        int expect;
    };
    // Only the bitrate has a rule; anything else positive is taken as it is.
    for (const Case& c : {Case{"0", 128}, Case{"-5", 128}, Case{"-2147483648", 128}, Case{"1", 1},
                          Case{"320", 320}, Case{"999", 999}, Case{"abc", 128}}) {
        const std::string path = dir.file(std::string("b") + c.stored + ".conf");
        testutil::WriteFile(path, std::string("[Option]\nbitrate=") + c.stored + "\n");
        QSettingsStore store(path);
        EXPECT_EQ(qar::LoadBitrate(store), c.expect) << c.stored;
        EXPECT_EQ(qar::LoadViewSettings(store).options.bitrate, c.expect) << c.stored;
    }
}

TEST(Settings, EveryValueRoundTrips) {
    testutil::TempDir dir;
    const std::string path = dir.file("qar.conf");
    // Folder names as the file system has them: Japanese, a comma, bytes that are no UTF-8.
    const std::string wavDir = "/music/\xe6\x97\xa5\xe6\x9c\xac, live";
    const std::string mp3Dir = "/mp3/\xff\xfe\x81";
    {
        QSettingsStore store(path);
        store.WriteInt(qar::kSectionOption, qar::kKeyMmx, 1);  // set by hand
        qar::SaveDialogOptions(store, 320, 2, 7, 5, 4);
        qar::SaveViewSettings(store, 1, 0, "disc", 3);
        qar::SaveFolders(store, wavDir, mp3Dir);
        qar::SaveWindowPos(store, "2:3:-1:-1:-8:-8:10:20:810:620");
    }
    QSettingsStore again(path);
    // The dialog always stores mmx 0; values out of range (stereo 7) are kept as they are.
    EXPECT_EQ(Describe(again),
              "bitrate=320 quickmode=2 stereo=7 vbr=5 bitcut=4 mmx=0 prior=3 subdir=1 "
              "samedir=0 cdbase=disc wav=" +
                  wavDir + " mp3=" + mp3Dir + " pos=2:3:-1:-1:-8:-8:10:20:810:620");

    // The stored form keeps the sections and value names.
    const std::string text = testutil::ReadFile(path);
    for (const char* line :
         {"[Option]", "bitrate=320", "cdbase=disc", "[Path]", "subdir=1", "[Settings]"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST(Settings, UserStoreLivesUnderTheOrganisation) {
    const std::string name = QSettingsStore().FileName();
    EXPECT_NE(name.find("/lomu-dar/qar.conf"), std::string::npos) << name;
}

}  // namespace
