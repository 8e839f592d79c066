#include "view/programfolder.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "view/pathrules.h"

namespace qar {

std::string FolderOfPath(const std::string& path) {
    const std::size_t cut = path.rfind(kSeparator);
    if (cut == std::string::npos)
        return path;
    // Cutting "/qar" at its separator would leave "", which names no folder at all.
    if (cut == 0)
        return std::string(1, kSeparator);
    return path.substr(0, cut);
}

std::string GetProgramFolder() {
    // The link's target may be of any length; grow until it fits.
    std::vector<char> buf(256);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return ".";
        if (std::size_t(n) < buf.size())
            return FolderOfPath(std::string(buf.data(), std::size_t(n)));
        buf.resize(buf.size() * 2);
    }
}

std::string UserDataFolder() {
    // The XDG rules: a relative $XDG_DATA_HOME is invalid and ignored.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == kSeparator)
        return JoinFolder(xdg, "qar");
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] != '\0') {
        home = h;
    } else {
        struct passwd pw {};
        struct passwd* found = nullptr;
        std::vector<char> buf(16384);
        if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found &&
            found->pw_dir && found->pw_dir[0] != '\0')
            home = found->pw_dir;
    }
    if (home.empty())
        return std::string();
    return JoinFolder(home, ".local/share/qar");
}

std::string CurrentDirectory() {
    // getcwd(nullptr, 0) allocates as much as the path needs: no length limit.
    char* cwd = getcwd(nullptr, 0);
    if (!cwd)
        return std::string();
    std::string dir(cwd);
    std::free(cwd);
    return dir;
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/')
        return path;
    const std::string cwd = CurrentDirectory();
    if (cwd.empty())
        return path;
    std::string full = (std::filesystem::path(cwd) / path).lexically_normal().string();
    while (full.size() > 1 && full.back() == '/')
        full.pop_back();
    return full;
}

}  // namespace qar
