// Listing benchmark: `qar-cli --list` on a folder of 3000 WAV files against a minimal
// program that only lists the folder and reads the first 64 bytes of each file (this
// program started again with --minimal). Prints figures; asserts nothing.
//
//   list_bench QAR_CLI [--runs N] [--files N]
//   list_bench --minimal DIR
#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Put32(std::string& s, unsigned v) {
    for (int i = 0; i < 4; ++i)
        s += char((v >> (8 * i)) & 0xff);
}

// A 0.1 s 44.1 kHz 16-bit stereo WAV of silence.
std::string SmallWav() {
    const unsigned data = 4410 * 4;
    std::string s = "RIFF";
    Put32(s, 36 + data);
    s += "WAVEfmt ";
    Put32(s, 16);
    s += std::string("\x01\x00\x02\x00", 4);
    Put32(s, 44100);
    Put32(s, 44100 * 4);
    s += std::string("\x04\x00\x10\x00", 4);
    s += "data";
    Put32(s, data);
    s += std::string(data, '\0');
    return s;
}

// The floor: list the folder, read 64 bytes of every .wav entry.
int MinimalList(const std::string& folder) {
    DIR* d = opendir(folder.c_str());
    if (!d)
        return 1;
    long total = 0;
    char buf[64];
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".wav") != 0)
            continue;
        const int fd = open((folder + "/" + name).c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        total += read(fd, buf, sizeof buf);
        close(fd);
    }
    closedir(d);
    std::printf("%ld\n", total);
    return 0;
}

// Runs a program as its own process, as a user would, output discarded.
double TimeChild(const std::vector<std::string>& args) {
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr))
            _exit(1);
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--minimal")
        return MinimalList(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: list_bench QAR_CLI [--runs N] [--files N]\n");
        return 2;
    }
    const std::string cli = argv[1];
    int runs = 7, files = 3000;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--files")
            files = std::max(1, std::atoi(argv[i + 1]));
    }
    const fs::path dir = fs::temp_directory_path() / "qar-list-bench";
    fs::remove_all(dir);
    fs::create_directories(dir / "config");
    const std::string wav = SmallWav();
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "take%04d.wav", i);
        std::ofstream(dir / name, std::ios::binary) << wav;
        if (i % 3 == 0) {  // some with an MP3 beside them, as in a half-encoded folder
            std::snprintf(name, sizeof name, "take%04d.mp3", i);
            std::ofstream(dir / name) << "x";
        }
    }
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    std::vector<double> tCli, tMin;
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    TimeChild({cli, "--list", dir.string()});  // warm the cache
    for (int r = 0; r < runs; ++r) {
        tCli.push_back(TimeChild({cli, "--list", dir.string()}));
        tMin.push_back(TimeChild({self, "--minimal", dir.string()}));
    }
    std::printf("%d WAV files (a third with an MP3 beside them), %d runs, median wall time\n",
                files, runs);
    std::printf("qar-cli --list %.1f ms, minimal lister %.1f ms, ratio %.2f\n", Median(tCli) * 1000,
                Median(tMin) * 1000, Median(tCli) / Median(tMin));
    fs::remove_all(dir);
    return 0;
}
