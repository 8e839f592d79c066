#include "vadav/partfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace vadav {

namespace {

// Keeps ".NAME.XXXXXX.part" within the file system's name limit for long final names.
constexpr std::size_t kMaxNameInTemp = 200;
constexpr int kCreateAttempts = 100;
constexpr std::size_t kWriteBuffer = 64 * 1024;

std::string Reason(int err) {
    return std::strerror(err);
}

// Six characters that differ between processes, threads and attempts.
std::string RandomTag() {
    static std::atomic<unsigned long long> s_counter{0};
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned long long seed =
        std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (std::uint64_t(getpid()) << 32) ^ (s_counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
    std::mt19937_64 rng(seed);
    std::string tag;
    for (int i = 0; i < 6; ++i)
        tag += kChars[rng() % (sizeof kChars - 1)];
    return tag;
}

}  // namespace

PartFile::~PartFile() {
    discard();
}

bool PartFile::create(const std::string& finalPath, std::string& error) {
    discard();
    const std::size_t slash = finalPath.rfind('/');
    m_folder = slash == std::string::npos ? "." : finalPath.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    if (name.empty()) {
        error = "the output path names a folder: " + finalPath;
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    if (ec) {
        error = "cannot create the output folder " + m_folder + ": " + ec.message();
        return false;
    }
    if (name.size() > kMaxNameInTemp)
        name.resize(kMaxNameInTemp);

    // open() with O_EXCL and mode 0666 rather than mkstemp: the new file gets the permissions
    // the umask and the folder's default ACL give any new file, not mkstemp's 0600.
    int fd = -1;
    for (int attempt = 0; attempt < kCreateAttempts && fd < 0; ++attempt) {
        m_tempPath = m_folder + "/." + name + "." + RandomTag() + ".part";
        fd = ::open(m_tempPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            error = "cannot create a file in " + m_folder + ": " + Reason(errno);
            m_tempPath.clear();
            return false;
        }
    }
    if (fd < 0) {
        error = "cannot create a file in " + m_folder + ": no free temporary name";
        m_tempPath.clear();
        return false;
    }
    m_file = fdopen(fd, "w+b");
    if (m_file == nullptr) {
        error = "cannot open " + m_tempPath + ": " + Reason(errno);
        ::close(fd);
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return false;
    }
    std::setvbuf(m_file, nullptr, _IOFBF, kWriteBuffer);
    m_finalPath = finalPath;
    return true;
}

bool PartFile::write(const void* data, std::size_t bytes, std::string& error) {
    if (m_file == nullptr) {
        error = "no output file is open";
        return false;
    }
    if (bytes == 0)
        return true;
    if (std::fwrite(data, 1, bytes, m_file) != bytes) {
        error = "cannot write " + m_finalPath + ": " + Reason(errno);
        return false;
    }
    return true;
}

bool PartFile::commit(std::string& error) {
    if (m_file == nullptr) {
        error = "no output file is open";
        return false;
    }
    // Every step is checked: a full disk may only show at the flush, the sync or the close.
    std::FILE* file = m_file;
    m_file = nullptr;
    bool ok = true;
    if (std::fflush(file) != 0 || std::ferror(file)) {
        error = "cannot write " + m_finalPath + ": " + Reason(errno);
        ok = false;
    } else if (::fsync(fileno(file)) != 0) {
        error = "cannot write " + m_finalPath + ": " + Reason(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        error = "cannot write " + m_finalPath + ": " + Reason(errno);
        ok = false;
    }
    if (ok && std::rename(m_tempPath.c_str(), m_finalPath.c_str()) != 0) {
        error = "cannot rename the finished file to " + m_finalPath + ": " + Reason(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
        return false;
    }
    m_tempPath.clear();
    // The rename itself must survive a crash as well as the data.
    const int dir = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void PartFile::discard() {
    if (m_file != nullptr) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        m_tempPath.clear();
    }
}

}  // namespace vadav
