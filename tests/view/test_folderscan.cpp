// The folder scan: which files become rows, in which order, under which names, with which
// cell texts, and how it copes with big trees, link cycles and folders it may not read.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "asnobody.h"
#include "testutil.h"
#include "view/celltext.h"
#include "view/folderscan.h"
#include "view/pathrules.h"

namespace {

namespace fs = std::filesystem;
using qar::FileRow;
using qar::ScanResult;
using testutil::TempDir;
using testutil::WavSpec;

std::vector<std::string> Names(const ScanResult& r) {
    std::vector<std::string> names;
    for (const FileRow& row : r.rows)
        names.push_back(row.name);
    return names;
}

const FileRow* Find(const ScanResult& r, const std::string& name) {
    for (const FileRow& row : r.rows)
        if (row.name == name)
            return &row;
    return nullptr;
}

void Touch(const std::string& path) {
    testutil::WriteFile(path, "");
}

// Creates count empty files "<prefix>NNNN.wav" in folder (empty files are read as format
// errors, which is all the limit tests need, and they are quick to make).
void MakeEmptyWavs(const fs::path& folder, int count, const std::string& prefix = "f") {
    fs::create_directories(folder);
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "%s%04d.wav", prefix.c_str(), i);
        const int fd = open((folder / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        close(fd);
    }
}

// A WAV whose header says IEEE float: read, but not PCM.
std::string FloatWavBytes() {
    std::string s = "RIFF";
    testutil::put32(s, 36 + 8);
    s += "WAVEfmt ";
    testutil::put32(s, 16);
    testutil::put16(s, 3);
    testutil::put16(s, 2);
    testutil::put32(s, 44100);
    testutil::put32(s, 44100 * 8);
    testutil::put16(s, 8);
    testutil::put16(s, 32);
    s += "data";
    testutil::put32(s, 8);
    s += std::string(8, '\0');
    return s;
}

std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

void SetMtime(const std::string& path, std::time_t when) {
    timespec times[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// The scan changes the current directory; every test gets the old one back.
class FolderScanTest : public ::testing::Test {
protected:
    void SetUp() override { m_cwd = fs::current_path(); }
    void TearDown() override { fs::current_path(m_cwd); }
    std::string Src() const { return m_dir.path().string(); }
    std::string File(const std::string& rel) const { return (m_dir.path() / rel).string(); }

    TempDir m_dir;
    fs::path m_cwd;
};

TEST_F(FolderScanTest, OwnFilesFirstThenSubtreesDepthFirstSortedIgnoringCase) {
    for (const char* f : {"b.wav", "A.wav", "a.wav", "Take.WAV", "notes.txt", "take.wave",
                          "zed/e.Wav", "live/x/c.wav", "live/b.wav", "Alpha/d.wav", "empty/"}) {
        fs::create_directories(fs::path(File(f)).parent_path());
        if (std::string(f).back() != '/')
            Touch(File(f));
    }

    const ScanResult tree = qar::ScanSource(Src(), true);
    EXPECT_EQ(Names(tree),
              (std::vector<std::string>{"A.wav", "a.wav", "b.wav", "Take.WAV", "../Alpha/d.wav",
                                        "../live/b.wav", "../live/x/c.wav", "../zed/e.Wav"}));
    for (std::size_t i = 0; i < tree.rows.size(); ++i) {
        EXPECT_EQ(tree.rows[i].row, int(i));
        EXPECT_EQ(tree.rows[i].mark, qar::kMarkUnmarked);
    }
    EXPECT_FALSE(tree.tooMany);

    const ScanResult flat = qar::ScanSource(Src(), false);
    EXPECT_EQ(Names(flat), (std::vector<std::string>{"A.wav", "a.wav", "b.wav", "Take.WAV"}));
}

TEST_F(FolderScanTest, RefreshEntersTheFolderAndTakesTheSystemsFormOfIt) {
    fs::create_directories(File("real"));
    testutil::WriteWav(File("real/one.wav"));
    fs::create_directory_symlink(File("real"), File("link"));

    // A path through a link and with a trailing separator comes back as the folder itself.
    const ScanResult r = qar::RefreshRows(File("link") + "/", false);
    EXPECT_EQ(r.source, fs::canonical(File("real")).string());
    EXPECT_EQ(fs::current_path(), fs::canonical(File("real")));
    EXPECT_EQ(Names(r), std::vector<std::string>{"one.wav"});

    // A folder that cannot be entered: the previous current directory is listed instead.
    for (const std::string& bad : {File("missing"), File("real/one.wav"), std::string()}) {
        const ScanResult again = qar::RefreshRows(bad, false);
        EXPECT_EQ(again.source, fs::canonical(File("real")).string()) << bad;
        EXPECT_EQ(Names(again), std::vector<std::string>{"one.wav"}) << bad;
    }

    // The root keeps its separator; nothing else has one at the end.
    EXPECT_EQ(qar::EnterSourceFolder("/"), "/");
    EXPECT_EQ(qar::EnterSourceFolder(Src() + "//"), fs::canonical(Src()).string());
}

TEST_F(FolderScanTest, EmptyFolderGivesNoRowsAndNoMessage) {
    const ScanResult r = qar::ScanSource(Src(), true);
    EXPECT_TRUE(r.rows.empty());
    EXPECT_FALSE(r.tooMany);
}

TEST_F(FolderScanTest, CellTexts) {
    WavSpec s16;
    WavSpec m8;
    m8.sampleRate = 22050;
    m8.bits = 8;
    m8.channels = 1;
    m8.frames = 100;
    WavSpec quad;
    quad.sampleRate = 48000;
    quad.channels = 4;
    quad.frames = 100;
    WavSpec tiny;  // 44-byte header + 14 frames of 16-bit stereo = 100 bytes
    tiny.frames = 14;
    testutil::WriteWav(File("s16.wav"), s16);
    testutil::WriteWav(File("m8.wav"), m8);
    testutil::WriteWav(File("quad.wav"), quad);
    testutil::WriteWav(File("tiny.wav"), tiny);
    ASSERT_EQ(fs::file_size(File("tiny.wav")), 100u);
    testutil::WriteFile(File("tiny.mp3"), std::string(100, 'x'));
    testutil::WriteFile(File("float.wav"), FloatWavBytes());
    testutil::WriteFile(File("junk.wav"), "this is no RIFF file at all, just text");
    fs::create_directory(File("x.wav"));
    testutil::WriteWav(File("Take1.WAV"), tiny);
    testutil::WriteFile(File("Take1.mp3"), std::string(2048, 'x'));
    testutil::WriteWav(File("old.wav"), tiny);
    SetMtime(File("old.wav"), LocalTime(1999, 6, 15, 12, 34, 56));
    SetMtime(File("Take1.mp3"), LocalTime(2000, 3, 15, 21, 7, 0));

    const ScanResult r = qar::ScanSource(Src(), false);
    struct Expect {
        const char* name;
        const char* info;
        const char* size;
        const char* mp3;
        const char* mp3Size;
    };
    const Expect table[] = {
        {"s16.wav", "44K 16bit stereo", "172K", "(none)", ""},
        {"m8.wav", "22K 8bit mono", "1K", "(none)", ""},
        {"quad.wav", "48K 16bit stereo", "1K", "(none)", ""},
        {"tiny.wav", "44K 16bit stereo", "1K", "tiny.mp3", "0K"},
        {"float.wav", "FORMAT ERROR (not PCM)", "1K", "(none)", ""},
        {"junk.wav", "FORMAT ERROR", "1K", "(none)", ""},
        {"x.wav", "FORMAT ERROR", nullptr, "(none)", ""},
        {"Take1.WAV", "44K 16bit stereo", "1K", "Take1.mp3", "2K"},
    };
    ASSERT_EQ(r.rows.size(), std::size(table) + 1);
    for (const Expect& e : table) {
        SCOPED_TRACE(e.name);
        const FileRow* row = Find(r, e.name);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->Text(qar::kColInfo), e.info);
        if (e.size) {
            EXPECT_EQ(row->Text(qar::kColWavSize), e.size);
        }
        EXPECT_EQ(row->Text(qar::kColMp3Name), e.mp3);
        EXPECT_EQ(row->Text(qar::kColMp3Size), e.mp3Size);
        EXPECT_EQ(row->Text(qar::kColMp3Date).empty(), std::string(e.mp3Size).empty());
    }
    EXPECT_EQ(Find(r, "old.wav")->Text(qar::kColWavDate), "99-06-15 12:34");
    EXPECT_EQ(Find(r, "Take1.WAV")->Text(qar::kColMp3Date), "00-03-15 21:07");
}

TEST(CellText, SizesAndInfo) {
    struct Size {
        std::uintmax_t bytes;
        const char* wav;
        const char* mp3;
    };
    for (const Size& s : {Size{0, "1K", "0K"}, Size{100, "1K", "0K"}, Size{1023, "1K", "0K"},
                          Size{1024, "1K", "1K"}, Size{2047, "1K", "1K"}, Size{2048, "2K", "2K"},
                          Size{5ull << 30, "5242880K", "5242880K"}}) {
        EXPECT_EQ(qar::FormatWavSizeCell(s.bytes), s.wav) << s.bytes;
        EXPECT_EQ(qar::FormatMp3SizeCell(s.bytes), s.mp3) << s.bytes;
    }
    // Only the sign of the format code decides "not PCM", whatever the reader returned.
    EXPECT_EQ(qar::FormatInfoCell(0, 44999, 16, 2, 1), "44K 16bit stereo");
    EXPECT_EQ(qar::FormatInfoCell(0, 32000, 24, 6, 1), "32K 24bit stereo");
    EXPECT_EQ(qar::FormatInfoCell(-1, 44100, 16, 2, 0), "FORMAT ERROR");
    EXPECT_EQ(qar::FormatInfoCell(-1, 44100, 16, 2, -3), "FORMAT ERROR (not PCM)");
    EXPECT_EQ(qar::FormatInfoCell(0, 44100, 32, 2, -3), "FORMAT ERROR (not PCM)");
}

// The row limit: the row that reaches it is still listed in full, and the message comes even
// when no file is left over.
TEST_F(FolderScanTest, RowLimitInOneFolder) {
    struct Case {
        int files;
        bool tooMany;
    };
    for (const Case c : {Case{qar::MaxFileRows - 1, false}, Case{qar::MaxFileRows, true},
                         Case{qar::MaxFileRows + 1, true}}) {
        SCOPED_TRACE(c.files);
        const fs::path folder = m_dir.path() / std::to_string(c.files);
        MakeEmptyWavs(folder, c.files);
        const ScanResult r = qar::ScanSource(folder.string(), false);
        EXPECT_EQ(r.tooMany, c.tooMany);
        ASSERT_EQ(int(r.rows.size()), std::min(c.files, qar::MaxFileRows));
        EXPECT_EQ(r.rows.back().row, int(r.rows.size()) - 1);
        char last[32];
        std::snprintf(last, sizeof last, "f%04d.wav", int(r.rows.size()) - 1);
        EXPECT_EQ(r.rows.back().name, last);
    }
}

TEST_F(FolderScanTest, RowLimitInATreeStopsTheWalk) {
    MakeEmptyWavs(m_dir.path(), 1000, "own");
    MakeEmptyWavs(m_dir.path() / "a", 1500);
    MakeEmptyWavs(m_dir.path() / "b", 1000);
    MakeEmptyWavs(m_dir.path() / "b" / "deep", 1);
    MakeEmptyWavs(m_dir.path() / "c", 5);

    const ScanResult r = qar::ScanSource(Src(), true);
    EXPECT_TRUE(r.tooMany);
    ASSERT_EQ(int(r.rows.size()), qar::MaxFileRows);
    EXPECT_EQ(r.rows.back().name, "../b/f0499.wav");
    for (const FileRow& row : r.rows) {
        EXPECT_NE(row.name.rfind("../c/", 0), 0u) << row.name;
        EXPECT_NE(row.name.rfind("../b/deep/", 0), 0u) << row.name;
    }

    qar::FolderScan walk;
    walk.ScanTree(Src(), Src());
    EXPECT_EQ(walk.ScanRowTotal(), -1);
    // A new walk starts afresh.
    const std::string small = (m_dir.path() / "c").string();
    walk.ScanTree(small, small);
    EXPECT_EQ(walk.ScanRowTotal(), 5);
    EXPECT_EQ(walk.Result().rows.size(), 5u);
}

TEST_F(FolderScanTest, LinkCyclesAreWalkedOnce) {
    fs::create_directories(File("sub"));
    Touch(File("a.wav"));
    Touch(File("sub/b.wav"));
    fs::create_directory_symlink("..", File("sub/up"));
    fs::create_directory_symlink(".", File("sub/self"));
    fs::create_directory_symlink(Src(), File("sub/root"));
    fs::create_symlink("nowhere.wav", File("dangling.wav"));

    const ScanResult r = qar::ScanSource(Src(), true);
    EXPECT_EQ(Names(r), (std::vector<std::string>{"a.wav", "dangling.wav", "../sub/b.wav"}));
    EXPECT_EQ(Find(r, "dangling.wav")->Text(qar::kColInfo), "FORMAT ERROR");
}

// Root reads every folder; an ordinary user meets folders closed to him.
TEST_F(FolderScanTest, FoldersThatCannotBeReadAreSkipped) {
    fs::permissions(m_dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
    Touch(File("a.wav"));
    fs::create_directories(File("locked/inner"));
    Touch(File("locked/x.wav"));
    Touch(File("locked/inner/y.wav"));
    fs::permissions(File("locked"), fs::perms::none);
    fs::create_directories(File("listonly"));
    Touch(File("listonly/c.wav"));
    fs::permissions(File("listonly"),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directories(File("open"));
    Touch(File("open/b.wav"));

    const std::string out = testutil::RunAsNobody([&] {
        std::string s;
        for (const FileRow& row : qar::ScanSource(Src(), true).rows)
            s += row.name + "|" + row.Text(qar::kColInfo) + "|" + row.Text(qar::kColWavSize) + "\n";
        return s;
    });
    // A folder that can be listed but not searched shows its names without inventing a
    // size or a date.
    EXPECT_EQ(out,
              "a.wav|FORMAT ERROR|1K\n"
              "../listonly/c.wav|FORMAT ERROR|\n"
              "../open/b.wav|FORMAT ERROR|1K\n");
}

TEST_F(FolderScanTest, NamesAreBytesOfAnyLength) {
    // Not UTF-8: listed with its own bytes, and the path built from the row still reads.
    const std::string odd = "\xff\xfe take.wav";
    testutil::WriteWav(File(odd));
    // Longer than the 260 bytes the old program had room for, at every level.
    const std::string longFolder = std::string(120, 'f') + "/" + std::string(120, 'g');
    const std::string longName = std::string(150, 'n') + ".wav";
    fs::create_directories(File(longFolder));
    testutil::WriteWav(File(longFolder + "/" + longName));
    testutil::WriteFile(File(longFolder + "/" + std::string(150, 'n') + ".mp3"), "x");

    const ScanResult r = qar::ScanSource(Src(), true);
    ASSERT_EQ(r.rows.size(), 2u);
    const FileRow& oddRow = r.rows[0];
    EXPECT_EQ(oddRow.name, odd);
    EXPECT_EQ(oddRow.Text(qar::kColInfo), "44K 16bit stereo");
    const FileRow& longRow = r.rows[1];
    EXPECT_EQ(longRow.name, "../" + longFolder + "/" + longName);
    EXPECT_EQ(longRow.Text(qar::kColInfo), "44K 16bit stereo");
    EXPECT_EQ(longRow.Text(qar::kColMp3Name), std::string(150, 'n') + ".mp3");

    const qar::PathContext ctx{Src(), Src(), true};
    EXPECT_EQ(qar::GetWavPath(ctx, oddRow.name), File(odd));
    EXPECT_EQ(qar::GetWavPath(ctx, longRow.name), File(longFolder + "/" + longName));
}

}  // namespace
