// The playlist: which lines in which order, its exact bytes, and where it is written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "asnobody.h"
#include "testutil.h"
#include "view/playlist.h"
#include "view/programfolder.h"

namespace {

namespace fs = std::filesystem;
using qar::PathContext;
using qar::Playlist;

TEST(Playlist, LinesInListOrder) {
    const std::vector<std::string> names = {"a.wav", "", "../live/B.WAV"};
    struct Case {
        bool samedir, withWav;
        const char* text;
        int lines;
    };
    const Case cases[] = {
        {false, false, "/mp3/a.mp3\r\n/mp3/live/B.mp3\r\n", 2},
        {false, true, "/wav/a.wav\r\n/mp3/a.mp3\r\n/wav/live/B.WAV\r\n/mp3/live/B.mp3\r\n", 4},
        {true, false, "/wav/a.mp3\r\n/wav/live/B.mp3\r\n", 2},
        {true, true, "/wav/a.wav\r\n/wav/a.mp3\r\n/wav/live/B.WAV\r\n/wav/live/B.mp3\r\n", 4},
    };
    for (const Case& c : cases) {
        PathContext ctx{"/wav", "/mp3", c.samedir};
        const Playlist p = qar::MakePlaylist(names, ctx, c.withWav);
        EXPECT_EQ(p.text, c.text);
        EXPECT_EQ(p.lines, c.lines);
    }
    PathContext ctx{"/wav", "/mp3", false};
    const Playlist none = qar::MakePlaylist(std::vector<std::string>{"", ""}, ctx, true);
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.lines, 0);
}

TEST(Playlist, APathWithALineBreakIsLeftOut) {
    const std::vector<std::string> names = {"new\nline.wav", "ok.wav", "car\rriage.wav"};
    PathContext ctx{"/wav", "/mp3", false};
    EXPECT_EQ(qar::MakePlaylist(names, ctx, true).text, "/wav/ok.wav\r\n/mp3/ok.mp3\r\n");
    // Only the path that holds the break goes; the other path of the row stays.
    PathContext brokenSource{"/w\nav", "/mp3", false};
    const Playlist p = qar::MakePlaylist(std::vector<std::string>{"ok.wav"}, brokenSource, true);
    EXPECT_EQ(p.text, "/mp3/ok.mp3\r\n");
    EXPECT_EQ(p.lines, 1);
}

class PlaylistFileTest : public ::testing::Test {
protected:
    std::string Dir(const std::string& name) const {
        const fs::path p = m_dir.path() / name;
        fs::create_directories(p);
        return p.string();
    }
    testutil::TempDir m_dir;
};

TEST_F(PlaylistFileTest, ReplacesTheFileInTheProgramFolder) {
    const std::string prog = Dir("prog");
    testutil::WriteFile(prog + "/qar.m3u", "an older and longer playlist\r\nline two\r\n");
    const std::string text = "/mp3/a.mp3\r\n/mp3/\xe6\x97\xa5.mp3\r\n";
    const qar::PlaylistFile f = qar::WritePlaylistFile(text, prog, m_dir.file("user"));
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(f.path, prog + "/qar.m3u");
    EXPECT_EQ(testutil::ReadFile(f.path), text);  // no BOM, no header, CR LF kept
    // Nothing left behind by the replacement, and no fallback used.
    EXPECT_EQ(std::distance(fs::directory_iterator(prog), fs::directory_iterator()), 1);
    EXPECT_FALSE(fs::exists(m_dir.file("user")));

    // Nothing to list still leaves an empty file behind.
    const qar::PlaylistFile empty = qar::WritePlaylistFile("", prog, m_dir.file("user"));
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(fs::file_size(empty.path), 0u);
}

TEST_F(PlaylistFileTest, FallsBackToTheUserFolderAndReportsWhenBothFail) {
    testutil::WriteFile(m_dir.file("file"), "x");
    const std::string unwritable = m_dir.file("file") + "/prog";  // below a regular file
    const std::string user = m_dir.file("data/qar");              // not there yet

    const qar::PlaylistFile f = qar::WritePlaylistFile("/a.mp3\r\n", unwritable, user);
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(f.path, user + "/qar.m3u");
    EXPECT_EQ(testutil::ReadFile(f.path), "/a.mp3\r\n");

    const qar::PlaylistFile bad =
        qar::WritePlaylistFile("/a.mp3\r\n", unwritable, m_dir.file("file") + "/user");
    EXPECT_FALSE(bad.ok);
    EXPECT_NE(bad.error.find(unwritable + "/qar.m3u"), std::string::npos) << bad.error;
    EXPECT_NE(bad.error.find(m_dir.file("file") + "/user/qar.m3u"), std::string::npos) << bad.error;
}

// The real case: a program folder owned by someone else, written by an ordinary user.
TEST_F(PlaylistFileTest, SystemWideProgramFolderAsOrdinaryUser) {
    fs::permissions(m_dir.path(), fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
    const std::string prog = Dir("prog");  // 0755, owned by root
    const std::string home = Dir("home");
    ASSERT_EQ(chown(home.c_str(), testutil::kNobodyId, testutil::kNobodyId), 0);

    const std::string out = testutil::RunAsNobody([&] {
        const qar::PlaylistFile f = qar::WritePlaylistFile("/a.mp3\r\n", prog, home + "/qar");
        return f.ok ? f.path : "error: " + f.error;
    });
    EXPECT_EQ(out, home + "/qar/qar.m3u");
    EXPECT_EQ(testutil::ReadFile(home + "/qar/qar.m3u"), "/a.mp3\r\n");
    EXPECT_FALSE(fs::exists(prog + "/qar.m3u"));
}

TEST(ProgramFolder, FolderOfTheExecutable) {
    EXPECT_EQ(qar::GetProgramFolder(), fs::canonical("/proc/self/exe").parent_path().string());
    EXPECT_EQ(qar::FolderOfPath("/usr/bin/qar"), "/usr/bin");
    EXPECT_EQ(qar::FolderOfPath("/qar"), "/");
    EXPECT_EQ(qar::FolderOfPath("qar"), "qar");
}

// Sets an environment variable for one scope.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvVar() {
        if (m_old)
            setenv(m_name, m_old->c_str(), 1);
        else
            unsetenv(m_name);
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(ProgramFolder, UserDataFolderFollowsTheXdgRules) {
    struct Case {
        const char* xdg;
        const char* home;
        const char* expect;
    };
    for (const Case& c :
         {Case{"/data", "/home/u", "/data/qar"}, Case{"/data/", "/home/u", "/data/qar"},
          Case{"relative", "/home/u", "/home/u/.local/share/qar"},
          Case{nullptr, "/home/u/", "/home/u/.local/share/qar"},
          Case{"", "/home/u", "/home/u/.local/share/qar"}}) {
        EnvVar xdg("XDG_DATA_HOME", c.xdg);
        EnvVar home("HOME", c.home);
        EXPECT_EQ(qar::UserDataFolder(), c.expect) << (c.xdg ? c.xdg : "(unset)");
    }
}

}  // namespace
