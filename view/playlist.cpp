#include "view/playlist.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

#include "view/programfolder.h"

namespace qar {

namespace {

void AddLine(Playlist& list, const std::string& path) {
    if (path.find_first_of("\r\n") != std::string::npos)
        return;
    list.text += path;
    list.text += "\r\n";
    ++list.lines;
}

std::string ErrnoText(int err) {
    return std::strerror(err);
}

// Writes data to a new file beside path and renames it over path. Returns "" on success,
// else the reason.
std::string ReplaceFile(const std::string& path, const std::string& data) {
    static std::atomic<unsigned> s_counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(s_counter++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return ErrnoText(errno);
    }
    if (fd < 0)
        return ErrnoText(EEXIST);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            close(fd);
            unlink(temp.c_str());
            return ErrnoText(err);
        }
        done += std::size_t(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        const int err = errno;
        unlink(temp.c_str());
        return ErrnoText(err);
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        unlink(temp.c_str());
        return ErrnoText(err);
    }
    return std::string();
}

}  // namespace

Playlist MakePlaylist(const std::vector<std::string>& relativeNames, PathContext& context,
                      bool withWav) {
    Playlist list;
    for (const std::string& name : relativeNames) {
        if (name.empty())
            continue;
        if (withWav)
            AddLine(list, GetWavPath(context, name));
        AddLine(list, GetMp3Path(context, name));
    }
    return list;
}

Playlist MakePlaylist(const std::vector<FileRow>& rows, PathContext& context, bool withWav) {
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (const FileRow& row : rows)
        names.push_back(row.name);
    return MakePlaylist(names, context, withWav);
}

PlaylistFile WritePlaylistFile(const std::string& text, const std::string& programFolder,
                               const std::string& userFolder) {
    PlaylistFile result;
    const std::string first = JoinFolder(programFolder, kPlaylistFileName);
    const std::string firstError = ReplaceFile(first, text);
    if (firstError.empty()) {
        result.ok = true;
        result.path = first;
        return result;
    }
    // The program's folder is often not ours to write (installed system-wide); the user's
    // own data folder always should be.
    std::string secondError = "no per-user data folder";
    std::string second;
    if (!userFolder.empty()) {
        second = JoinFolder(userFolder, kPlaylistFileName);
        std::error_code ec;
        std::filesystem::create_directories(userFolder, ec);
        secondError = ReplaceFile(second, text);
        if (secondError.empty()) {
            result.ok = true;
            result.path = second;
            return result;
        }
    }
    result.error = "Cannot write the playlist:\n" + first + ": " + firstError;
    if (!second.empty())
        result.error += "\n" + second + ": " + secondError;
    else
        result.error += "\n" + secondError;
    return result;
}

PlaylistFile WritePlaylistFile(const std::string& text) {
    return WritePlaylistFile(text, GetProgramFolder(), UserDataFolder());
}

}  // namespace qar
