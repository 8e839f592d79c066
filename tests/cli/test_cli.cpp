// qar-cli end to end: the real program on folders made here, its MP3 files judged by ffprobe
// and md5sum, its options parsed by the real parser.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cli/clioptions.h"
#include "cli/progressline.h"
#include "testutil.h"

using testutil::Sh;
using testutil::TempDir;
using testutil::WavSpec;
using testutil::WriteWav;

namespace {

namespace fs = std::filesystem;

// Runs qar-cli with a settings store of its own.
testutil::RunResult Cli(const TempDir& home, const std::string& args, bool withStderr = true) {
    return testutil::Run("XDG_CONFIG_HOME=" + Sh(home.file("config")) + " XDG_DATA_HOME=" +
                             Sh(home.file("data")) + " " + Sh(QAR_CLI) + " " + args,
                         withStderr);
}

void SetMtime(const std::string& path, time_t when) {
    timeval tv[2] = {{when, 0}, {when, 0}};
    ASSERT_EQ(utimes(path.c_str(), tv), 0);
}

std::string Md5(const std::string& path) {
    return testutil::Run("md5sum < " + Sh(path) + " | cut -d' ' -f1").out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            nl = text.size();
        out.push_back(text.substr(start, nl - start));
        start = nl + 1;
    }
    return out;
}

WavSpec Short(int rate = 44100, int bits = 16) {
    WavSpec w;
    w.sampleRate = rate;
    w.bits = bits;
    w.frames = rate / 4;
    return w;
}

}  // namespace

TEST(CliOptions, ParsesWhatItDocuments) {
    struct Case {
        std::vector<std::string> args;
        qar::CliParse result;
    };
    const Case cases[] = {
        {{"dir"}, qar::CliParse::Run},
        {{"-r", "--all", "-o", "out", "-b", "192", "--mode", "speed", "--stereo", "ms", "--vbr",
          "off", "--bitcut", "auto", "--jobs", "3", "dir"},
         qar::CliParse::Run},
        {{"--out=out", "-b320", "-j2", "--", "-dir-with-dash"}, qar::CliParse::Run},
        {{"--help"}, qar::CliParse::Help},
        {{}, qar::CliParse::Error},                            // no folder
        {{"a", "b"}, qar::CliParse::Error},                    // two folders
        {{"--mode", "fast", "d"}, qar::CliParse::Error},       // not a mode
        {{"--vbr", "6", "d"}, qar::CliParse::Error},           // level out of range
        {{"--bitcut", "5", "d"}, qar::CliParse::Error},        // 5 is spelled auto
        {{"-b", "x", "d"}, qar::CliParse::Error},              // not a number
        {{"--jobs", "0", "d"}, qar::CliParse::Error},          // no jobs
        {{"--shard", "3/2", "d"}, qar::CliParse::Error},       // K > N
        {{"--list", "--dry-run", "d"}, qar::CliParse::Error},  // two actions
        {{"--frobnicate", "d"}, qar::CliParse::Error},         // unknown
        {{"-o"}, qar::CliParse::Error},                        // missing value
    };
    for (const Case& c : cases) {
        std::vector<std::string> storage = {"qar-cli"};
        storage.insert(storage.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (auto& s : storage)
            argv.push_back(s.data());
        qar::CliOptions o;
        std::string error;
        SCOPED_TRACE(testing::PrintToString(c.args));
        EXPECT_EQ(qar::ParseCliOptions(int(argv.size()), argv.data(), o, error), c.result);
        if (c.result == qar::CliParse::Error) {
            EXPECT_FALSE(error.empty());
        }
    }
    // Values land where they belong.
    std::vector<std::string> s = {"qar-cli", "--stereo", "joint", "--bitcut", "auto",
                                  "--vbr",   "off",      "--",    "-x"};
    std::vector<char*> argv;
    for (auto& a : s)
        argv.push_back(a.data());
    qar::CliOptions o;
    std::string error;
    ASSERT_EQ(qar::ParseCliOptions(int(argv.size()), argv.data(), o, error), qar::CliParse::Run);
    EXPECT_EQ(o.stereo, 1);
    EXPECT_EQ(o.bitcut, 5);
    EXPECT_EQ(o.vbr, 0);
    EXPECT_EQ(o.folder, "-x");
}

TEST(CliProgress, LineShowsCountsTimesAndFiles) {
    qar::BatchProgress p;
    p.done = 2;
    p.total = 8;
    p.fraction = 0.25;
    p.running = {{"a.wav", 40}, {"live/b.wav", 10}};
    const std::string line = qar::FormatProgressLine(p, 30, 200);
    EXPECT_EQ(line, "2/8 files   25%  00:30 elapsed  01:30 left  a.wav 40%, live/b.wav 10%");
    EXPECT_EQ(qar::FormatProgressLine(p, 30, 20).size(), 20u);
    p.fraction = 0;
    EXPECT_NE(qar::FormatProgressLine(p, 1, 200).find("--:-- left"), std::string::npos);
    EXPECT_EQ(qar::FormatClock(3725), "1:02:05");
}

TEST(Cli, ListsRowsAsSevenTabSeparatedColumnsInScanOrder) {
    TempDir d;
    const fs::path src = d.path() / "wav";
    fs::create_directories(src / "live");
    WriteWav((src / "b.wav").string(), Short());
    WriteWav((src / "A.WAV").string(), Short(22050, 8));
    WriteWav((src / "live" / "c.wav").string(), Short());
    testutil::WriteFile((src / "b.mp3").string(), std::string(2048, 'x'));
    const auto r = Cli(d, "--list -r " + Sh(src.string()), false);
    ASSERT_EQ(r.status, 0) << r.out;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    std::vector<std::string> names;
    for (const std::string& l : lines) {
        EXPECT_EQ(std::count(l.begin(), l.end(), '\t'), 6) << l;
        names.push_back(l.substr(0, l.find('\t')));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A.WAV", "b.wav", "../live/c.wav"}));
    EXPECT_EQ(lines[0].substr(0, lines[0].find('\t', 6)), "A.WAV\t22K 8bit stereo");
    EXPECT_NE(lines[1].find("\tb.mp3\t2K\t"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("\t(none)\t\t"), std::string::npos) << lines[2];
}

TEST(Cli, EncodesOnlyMissingOrOlderMp3sAndReportsBadFormats) {
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src);
    WriteWav(src + "/new.wav", Short());       // no MP3 yet: chosen
    WriteWav(src + "/stale.wav", Short());     // MP3 older: chosen
    WriteWav(src + "/fresh.wav", Short());     // MP3 newer: left alone
    WriteWav(src + "/low.wav", Short(22050));  // cannot be encoded: named, not chosen
    testutil::WriteFile(src + "/stale.mp3", "old");
    testutil::WriteFile(src + "/fresh.mp3", "keep");
    SetMtime(src + "/stale.mp3", 1000000000);
    SetMtime(src + "/fresh.wav", 1000000000);

    const auto dry = Cli(d, "--dry-run " + Sh(src), false);
    EXPECT_EQ(dry.status, 0);
    EXPECT_EQ(dry.out, src + "/new.wav -> " + src + "/new.mp3\n" + src + "/stale.wav -> " + src +
                           "/stale.mp3\n");

    const auto r = Cli(d, Sh(src));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("low.wav: Wave file samping rate supports only 44, 48, 32Kbps"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(testutil::ReadFile(src + "/fresh.mp3"), "keep");
    for (const char* name : {"new.mp3", "stale.mp3"}) {
        const auto probe = testutil::Run(
            "ffprobe -v error -show_entries stream=codec_name,sample_rate "
            "-of csv=p=0 " +
            Sh(src + "/" + name));
        EXPECT_EQ(probe.out, "mp3,44100\n") << name;
    }
    EXPECT_FALSE(fs::exists(src + "/low.mp3"));

    // --all takes every row: the 22.05 kHz file is now chosen, so it fails the run.
    const auto all = Cli(d, "--all --dry-run " + Sh(src));
    EXPECT_EQ(all.status, 1);
    EXPECT_NE(all.out.find("skipped: " + src + "/low.wav: Wave file samping rate"),
              std::string::npos)
        << all.out;
    EXPECT_NE(all.out.find("fresh.wav -> "), std::string::npos);
}

TEST(Cli, RelativeFoldersAreTakenFromWhereItRuns) {
    TempDir d;
    fs::create_directories(d.file("wav"));
    WriteWav(d.file("wav/a.wav"), Short());
    const auto r = testutil::Run("cd " + Sh(d.path().string()) + " && XDG_CONFIG_HOME=config " +
                                     Sh(QAR_CLI) + " -q -o mp3 wav",
                                 true);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(d.file("mp3/a.mp3")));
}

TEST(Cli, OutputFolderKeepsTheSubfolders) {
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src + "/live/x");
    WriteWav(src + "/live/x/take.wav", Short());
    const auto r = Cli(d, "-q -r -o " + Sh(d.file("mp3")) + " " + Sh(src));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(d.file("mp3/live/x/take.mp3")));
    EXPECT_EQ(r.out, "");  // quiet
}

TEST(Cli, SameFilesWhateverTheNumberOfJobs) {
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src);
    for (int i = 0; i < 4; ++i) {
        WavSpec w = Short();
        w.freq = 300 + 100 * i;
        w.channels = 1 + i % 2;
        WriteWav(src + "/f" + std::to_string(i) + ".wav", w);
    }
    ASSERT_EQ(Cli(d, "-q -j 1 --vbr 4 -o " + Sh(d.file("one")) + " " + Sh(src)).status, 0);
    ASSERT_EQ(Cli(d, "-q -j 3 --vbr 4 -o " + Sh(d.file("three")) + " " + Sh(src)).status, 0);
    for (int i = 0; i < 4; ++i) {
        const std::string n = "/f" + std::to_string(i) + ".mp3";
        ASSERT_TRUE(fs::exists(d.file("one") + n));
        EXPECT_EQ(Md5(d.file("one") + n), Md5(d.file("three") + n)) << n;
    }
}

TEST(Cli, ExitStatusAndMessagesForBadUse) {
    TempDir d;
    auto r = Cli(d, Sh(d.file("missing")));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("not a folder"), std::string::npos);
    r = Cli(d, "--bogus " + Sh(d.path().string()));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("--help"), std::string::npos);
    r = Cli(d, "--help", false);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: qar-cli"), std::string::npos);
    // A file the library cannot read fails the run and is named with the reason.
    testutil::WriteFile(d.file("bad.wav"), "RIFF....WAVEfmt nonsense");
    r = Cli(d, "--all " + Sh(d.path().string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("bad.wav"), std::string::npos) << r.out;
}

TEST(Cli, SavedOptionsBecomeTheDefaults) {
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src);
    WriteWav(src + "/a.wav", Short());
    ASSERT_EQ(Cli(d, "-q --save -b 64 --vbr off --mode quality --dry-run " + Sh(src)).status, 0);
    const std::string conf = testutil::ReadFile(d.file("config/lomu-dar/qar.conf"));
    EXPECT_NE(conf.find("bitrate=64"), std::string::npos) << conf;
    EXPECT_NE(conf.find("vbr=0"), std::string::npos) << conf;
    ASSERT_EQ(Cli(d, "-q " + Sh(src)).status, 0);
    const auto probe = testutil::Run("ffprobe -v error -show_entries stream=bit_rate -of csv=p=0 " +
                                     Sh(src + "/a.mp3"));
    EXPECT_EQ(probe.out, "64000\n");
}

TEST(Cli, PlaylistIsWrittenAndItsPathPrinted) {
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src);
    WriteWav(src + "/a.wav", Short());
    WriteWav(src + "/b.wav", Short());
    const auto r = Cli(d, "--playlist-with-wav " + Sh(src), false);
    ASSERT_EQ(r.status, 0);
    const std::string path = r.out.substr(0, r.out.size() - 1);
    EXPECT_EQ(testutil::ReadFile(path),
              src + "/a.wav\r\n" + src + "/a.mp3\r\n" + src + "/b.wav\r\n" + src + "/b.mp3\r\n");
    fs::create_directories(d.file("config"));
    const auto none = Cli(d, "--playlist " + Sh(d.file("config")));
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.out.find("no mp3 file"), std::string::npos);
}

TEST(Cli, CtrlCStopsCleanlyKeepingFinishedFiles) {
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src);
    WavSpec small = Short();
    WriteWav(src + "/a.wav", small);
    WavSpec big;
    big.frames = 44100L * 120;  // long enough to be caught in the middle
    WriteWav(src + "/b.wav", big);
    const std::string out = d.file("out.txt");
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_CONFIG_HOME", d.file("config").c_str(), 1);
        if (!freopen(out.c_str(), "w", stdout) || !freopen(out.c_str(), "a", stderr))
            _exit(99);
        execl(QAR_CLI, "qar-cli", "-j", "1", "--vbr", "off", src.c_str(), nullptr);
        _exit(98);
    }
    // Wait until the second file is under way: its temporary file shows up.
    bool started = false;
    for (int i = 0; i < 600 && !started; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const auto& e : fs::directory_iterator(src)) {
            if (e.path().filename().string().find("b.mp3") != std::string::npos &&
                fs::exists(src + "/a.mp3"))
                started = true;
        }
    }
    ASSERT_TRUE(started);
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130) << testutil::ReadFile(out);
    EXPECT_TRUE(fs::exists(src + "/a.mp3"));
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(src))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.mp3", "a.wav", "b.wav"}));
}

TEST(Cli, ProgressOnATerminalPlainLinesOtherwise) {
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src);
    WavSpec w;
    w.frames = 44100 * 3;
    WriteWav(src + "/a.wav", w);
    const std::string cli = "XDG_CONFIG_HOME=" + Sh(d.file("config")) + " " + Sh(QAR_CLI) + " -o " +
                            Sh(d.file("o1")) + " " + Sh(src);
    // script(1) gives the program a terminal.
    const auto tty = testutil::Run("script -qec " + Sh(cli) + " /dev/null");
    EXPECT_EQ(tty.status, 0);
    EXPECT_NE(tty.out.find("\r\033[K1/1 files  100%"), std::string::npos) << tty.out;
    EXPECT_NE(tty.out.find(" left"), std::string::npos);
    const auto plain = Cli(d, "-o " + Sh(d.file("o2")) + " " + Sh(src), false);
    EXPECT_EQ(plain.out.find('\r'), std::string::npos);
    EXPECT_EQ(
        plain.out.rfind(
            "encoded " + src + "/a.wav -> " + d.file("o2") + "/a.mp3\n1 of 1 files encoded in ", 0),
        0u)
        << plain.out;
}

TEST(Cli, GnuParallelRecipeSharesOneBatch) {
    // The README's recipe, on this machine alone: four shards run by GNU parallel.
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src + "/sub");
    // WAV files from the past: an MP3 written in the same second counts as out of date.
    for (int i = 0; i < 5; ++i) {
        WriteWav(src + "/sub/t" + std::to_string(i) + ".wav", Short());
        SetMtime(src + "/sub/t" + std::to_string(i) + ".wav", 1000000000);
    }
    WriteWav(src + "/top.wav", Short());
    SetMtime(src + "/top.wav", 1000000000);
    // As in the README, with this machine (":") as the only host, two shards at a time.
    const std::string cmd = "seq 1 4 | HOME=" + Sh(d.path().string()) +
                            " XDG_CONFIG_HOME=" + Sh(d.file("config")) +
                            " parallel --will-cite -S 2/: " + Sh(QAR_CLI) +
                            " -q -j 1 -r --shard {}/4 -o " + Sh(d.file("mp3")) + " " + Sh(src);
    const auto r = testutil::Run(cmd, true);
    EXPECT_EQ(r.status, 0) << r.out;
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(fs::exists(d.file("mp3/sub/t" + std::to_string(i) + ".mp3"))) << i;
    EXPECT_TRUE(fs::exists(d.file("mp3/top.mp3")));
    // Nothing is left to do afterwards.
    EXPECT_EQ(Cli(d, "--dry-run -r -o " + Sh(d.file("mp3")) + " " + Sh(src), false).out, "");
}

TEST(Cli, ClosedOutputStopsCleanly) {
    // qar-cli ... | head: once the reader is gone the run stops as for Ctrl-C, leaving no
    // half-written file, instead of dying of SIGPIPE in the middle.
    TempDir d;
    const std::string src = d.file("wav");
    fs::create_directories(src);
    WavSpec w;
    w.frames = 44100L * 20;
    for (const char* name : {"a", "b", "c", "d"})
        WriteWav(src + "/" + name + ".wav", w);
    const auto r =
        testutil::Run("bash -c " + Sh("XDG_CONFIG_HOME=" + Sh(d.file("config")) + " " +
                                      Sh(QAR_CLI) + " -j 1 --vbr off " + Sh(src) +
                                      " | head -c 1 >/dev/null; " + "echo ${PIPESTATUS[0]}"));
    EXPECT_EQ(r.out, "1\n");
    for (const auto& e : fs::directory_iterator(src))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos) << e.path();
    EXPECT_TRUE(fs::exists(src + "/a.mp3"));
}

TEST(Cli, FolderThatCannotBeEnteredIsRefused) {
    // Readable but not searchable for an ordinary user: the scan would fall back to the
    // current folder, and a batch must not encode that instead.
    TempDir d;
    fs::permissions(d.path(), fs::perms::all, fs::perm_options::replace);
    const std::string here = d.file("here");
    const std::string closed = d.file("closed");
    fs::create_directories(here);
    fs::create_directories(closed);
    WriteWav(here + "/here.wav", Short());
    WriteWav(closed + "/inside.wav", Short());
    fs::permissions(here, fs::perms::all, fs::perm_options::replace);
    fs::permissions(closed, fs::perms(0744), fs::perm_options::replace);
    const auto r =
        testutil::Run("cd " + Sh(here) + " && setpriv --reuid=65534 --regid=65534 --clear-groups " +
                          Sh(QAR_CLI) + " --dry-run --all " + Sh(closed),
                      true);
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("cannot enter folder: " + closed), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("here.wav"), std::string::npos) << r.out;
}
