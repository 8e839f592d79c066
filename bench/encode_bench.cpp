// Encoding benchmark: our library against the lame program on the same input, and the peak
// memory of one encoding for a short and a long file. Prints figures; asserts nothing.
//
//   encode_bench [--runs N] [--work DIR]
//   encode_bench --encode ARGS...      (internal: one _main call in this process)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "vadav/vadav.h"

namespace fs = std::filesystem;

namespace {

struct Measure {
    double seconds = 0;
    long maxRssKb = 0;
    int status = -1;
};

// Runs argv as a child process; wall time and its peak resident memory.
Measure RunChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    Measure m;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int st = 0;
    rusage ru{};
    wait4(pid, &st, 0, &ru);
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    m.maxRssKb = ru.ru_maxrss;
    m.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return m;
}

std::string Self() {
    return fs::read_symlink("/proc/self/exe").string();
}

bool MakeWav(const std::string& path, int seconds) {
    // Pink noise under a chord: busy enough that the psychoacoustic model has work to do.
    const std::string cmd = "sox -q -n -r 44100 -c 2 -b 16 '" + path + "' synth " +
                            std::to_string(seconds) +
                            " pinknoise synth sine mix 220 sine mix 277 sine mix 330 vol 0.4";
    return std::system(cmd.c_str()) == 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--encode") {
        // argv[1] takes the program-name slot.
        return _main(argc - 1, argv + 1);
    }
    int runs = 5;
    fs::path work = fs::temp_directory_path() / "qar-encode-bench";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        if (a == "--work")
            work = argv[i + 1];
    }
    fs::create_directories(work);
    const std::string wav60 = (work / "sixty.wav").string();
    const std::string wav10 = (work / "ten.wav").string();
    const std::string wav600 = (work / "tenmin.wav").string();
    if (!MakeWav(wav60, 60) || !MakeWav(wav10, 10) || !MakeWav(wav600, 600)) {
        std::fprintf(stderr, "encode_bench: sox could not make the input files\n");
        return 1;
    }
    const std::string ours = (work / "ours.mp3").string();
    const std::string ref = (work / "lame.mp3").string();

    std::printf(
        "input: 60 s, 44.1 kHz, 16-bit stereo; settings -b 128 -q0 -mj "
        "(lame -b 128 -q 2 -m j --noreplaygain); %d runs each, alternating\n",
        runs);
    std::vector<double> tOurs, tLame;
    for (int r = 0; r < runs; ++r) {
        const Measure a = RunChild({Self(), "--encode", "-b 128", "-q0", "-mj", wav60, ours});
        const Measure b = RunChild(
            {"lame", "--quiet", "-b", "128", "-q", "2", "-m", "j", "--noreplaygain", wav60, ref});
        if (a.status != 0 || b.status != 0) {
            std::fprintf(stderr, "encode_bench: an encoding failed (%d, %d)\n", a.status, b.status);
            return 1;
        }
        tOurs.push_back(a.seconds);
        tLame.push_back(b.seconds);
    }
    const double mo = Median(tOurs), ml = Median(tLame);
    std::printf("wall time, median: vadav %.3f s, lame %.3f s, ratio %.3f\n", mo, ml, mo / ml);
    std::printf("wall time, best:   vadav %.3f s, lame %.3f s, ratio %.3f\n",
                *std::min_element(tOurs.begin(), tOurs.end()),
                *std::min_element(tLame.begin(), tLame.end()),
                *std::min_element(tOurs.begin(), tOurs.end()) /
                    *std::min_element(tLame.begin(), tLame.end()));

    const Measure m10 = RunChild({Self(), "--encode", "-b 128", "-q0", "-mj", wav10, ours});
    const Measure m600 = RunChild({Self(), "--encode", "-b 128", "-q0", "-mj", wav600, ours});
    const Measure v10 =
        RunChild({Self(), "--encode", "-b 192", "-q0", "-mj", "-v3", "-c3", wav10, ours});
    const Measure v600 =
        RunChild({Self(), "--encode", "-b 192", "-q0", "-mj", "-v3", "-c3", wav600, ours});
    std::printf("peak memory CBR: 10 s %ld KiB, 10 min %ld KiB, difference %ld KiB\n", m10.maxRssKb,
                m600.maxRssKb, m600.maxRssKb - m10.maxRssKb);
    std::printf("peak memory VBR: 10 s %ld KiB, 10 min %ld KiB, difference %ld KiB\n", v10.maxRssKb,
                v600.maxRssKb, v600.maxRssKb - v10.maxRssKb);
    fs::remove_all(work);
    return 0;
}
