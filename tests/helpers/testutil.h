// Helpers shared by the test executables: a scratch folder, a WAV writer and a way to run
// the third-party programs that judge our output.
#pragma once

#include <sys/wait.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace testutil {

namespace fs = std::filesystem;

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (fs::temp_directory_path() / "qar-test-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        if (!mkdtemp(buf.data()))
            std::abort();
        m_path = buf.data();
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const fs::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

struct WavSpec {
    int sampleRate = 44100;
    int channels = 2;
    int bits = 16;        // 8, 16, 24 or 32 (PCM)
    long frames = 44100;  // one second
    double freq = 440.0;  // sine; each channel a little higher than the one before
    double amplitude = 0.5;
};

inline void put16(std::string& s, unsigned v) {
    s += char(v & 0xff);
    s += char((v >> 8) & 0xff);
}
inline void put32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += char((v >> (8 * i)) & 0xff);
}

// The sample bytes of a sine in the WavSpec's PCM format, little-endian.
inline std::string PcmData(const WavSpec& w) {
    std::string d;
    const int bytes = w.bits / 8;
    d.reserve(size_t(w.frames) * w.channels * bytes);
    for (long i = 0; i < w.frames; ++i) {
        for (int c = 0; c < w.channels; ++c) {
            double x = w.amplitude *
                       std::sin(2 * M_PI * (w.freq * (1 + 0.25 * c)) * double(i) / w.sampleRate);
            if (w.bits == 8) {
                d += char(std::lround(128 + 127 * x));
            } else {
                const double full = double((1ULL << (w.bits - 1)) - 1);
                std::int64_t v = std::llround(x * full);
                for (int b = 0; b < bytes; ++b)
                    d += char((std::uint64_t(v) >> (8 * b)) & 0xff);
            }
        }
    }
    return d;
}

// A canonical 44-byte-header PCM WAV file.
inline std::string WavBytes(const WavSpec& w) {
    const std::string data = PcmData(w);
    const int blockAlign = w.channels * w.bits / 8;
    std::string s = "RIFF";
    put32(s, std::uint32_t(36 + data.size()));
    s += "WAVEfmt ";
    put32(s, 16);
    put16(s, 1);
    put16(s, unsigned(w.channels));
    put32(s, std::uint32_t(w.sampleRate));
    put32(s, std::uint32_t(w.sampleRate * blockAlign));
    put16(s, unsigned(blockAlign));
    put16(s, unsigned(w.bits));
    s += "data";
    put32(s, std::uint32_t(data.size()));
    s += data;
    return s;
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

inline void WriteWav(const std::string& path, const WavSpec& w = WavSpec()) {
    WriteFile(path, WavBytes(w));
}

// Quotes a text for /bin/sh.
inline std::string Sh(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

struct RunResult {
    int status = -1;  // exit status, or -1 when the program could not be run or was killed
    std::string out;  // standard output (standard error too, when asked)
};

// Runs a shell command and collects its standard output.
inline RunResult Run(const std::string& command, bool withStderr = false) {
    RunResult r;
    std::string cmd = command + (withStderr ? " 2>&1" : " 2>/dev/null");
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline bool HaveProgram(const std::string& name) {
    return Run("command -v " + Sh(name) + " >/dev/null").status == 0;
}

}  // namespace testutil
