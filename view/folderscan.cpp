#include "view/folderscan.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "vadav/vadav.h"
#include "view/celltext.h"
#include "view/pathrules.h"
#include "view/programfolder.h"

namespace qar {

struct FolderScan::Entry {
    std::string name;
    struct stat st {};
    bool haveStat = false;
    bool isDir = false;
};

namespace {

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Directory listings come in no useful order here; names are sorted ignoring ASCII case
// (as a user expects: "a.wav" next to "B.wav"), and names equal but for case in plain byte
// order, so the order and with it the row numbers are the same on every scan.
bool NameLess(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto cb = static_cast<unsigned char>(FoldAscii(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

// "*.wav" without regard to case, as the file list has always matched it.
bool MatchesWav(const std::string& name) {
    if (name.size() < 4)
        return false;
    const char* ext = name.c_str() + name.size() - 4;
    return ext[0] == '.' && FoldAscii(ext[1]) == 'w' && FoldAscii(ext[2]) == 'a' &&
           FoldAscii(ext[3]) == 'v';
}

// File status following symbolic links; for a link that leads nowhere, the link's own.
bool StatAny(const std::string& path, struct stat* st) {
    return stat(path.c_str(), st) == 0 || lstat(path.c_str(), st) == 0;
}

}  // namespace

// Reads a folder's entries, sorted, with the status of those that may become rows and, for
// a walk, of those that may be folders. The folder's identity comes from the opened handle
// itself, so a folder replaced between the check and the listing cannot slip past the
// cycle guard.
bool FolderScan::ListFolder(const std::string& folder, bool withFolders,
                            std::vector<Entry>* entries, struct stat* self) {
    entries->clear();
    if (folder.empty())
        return false;
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (fstat(fd, self) != 0) {
        close(fd);
        return false;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return false;
    }
    while (const dirent* d = readdir(dir)) {
        if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0)
            continue;
        Entry e;
        e.name = d->d_name;
        const bool maybeFolder =
            d->d_type == DT_DIR || d->d_type == DT_LNK || d->d_type == DT_UNKNOWN;
        if (!MatchesWav(e.name) && !(withFolders && maybeFolder))
            continue;
        e.haveStat = fstatat(fd, d->d_name, &e.st, 0) == 0 ||
                     fstatat(fd, d->d_name, &e.st, AT_SYMLINK_NOFOLLOW) == 0;
        e.isDir = e.haveStat && S_ISDIR(e.st.st_mode);
        entries->push_back(std::move(e));
    }
    closedir(dir);  // closes fd too
    std::sort(entries->begin(), entries->end(),
              [](const Entry& a, const Entry& b) { return NameLess(a.name, b.name); });
    return true;
}

void FolderScan::ScanTree(const std::string& folder, const std::string& source) {
    if (folder == source) {
        m_scanRowTotal = 0;
        m_visited.clear();
        m_result.rows.clear();
        m_result.tooMany = false;
    } else if (m_scanRowTotal == -1) {
        return;
    }
    std::vector<Entry> entries;
    struct stat self {};
    // A folder that cannot be read is skipped with everything below it; the walk goes on
    // with its siblings and never lists another folder in its place.
    if (!ListFolder(folder, true, &entries, &self))
        return;
    // A symbolic link may lead back to a folder already walked; walking it again would
    // list its files twice or never end.
    if (!m_visited.insert({self.st_dev, self.st_ino}).second)
        return;

    const int n = AddRows(folder, source, entries, m_scanRowTotal);
    if (n == -1) {
        m_scanRowTotal = -1;
        return;
    }
    m_scanRowTotal += n;
    for (const Entry& e : entries) {
        if (!e.isDir)
            continue;
        ScanTree(SubfolderPath(folder, e.name), source);
        if (m_scanRowTotal == -1)
            return;
    }
}

int FolderScan::ScanFolder(const std::string& folder, const std::string& source, int firstRow) {
    std::vector<Entry> entries;
    struct stat self {};
    if (!ListFolder(folder, false, &entries, &self))
        return 0;
    return AddRows(folder, source, entries, firstRow);
}

int FolderScan::AddRows(const std::string& folder, const std::string& source,
                        const std::vector<Entry>& entries, int firstRow) {
    int rowIndex = firstRow;
    int added = 0;
    for (const Entry& e : entries) {
        if (!MatchesWav(e.name))
            continue;
        FileRow row;
        row.name = RelativeName(folder, source, e.name);
        row.row = rowIndex;

        const std::string path = SubfolderPath(folder, e.name);
        int rate = 0, bits = 0, channels = 0, format = 0;
        const int rc = readWavInfo(path.c_str(), &rate, &bits, &channels, &format);
        row.Cell(kColInfo) = FormatInfoCell(rc, rate, bits, channels, format);
        // An entry whose status cannot be read at all (its folder is listable but not
        // searchable) shows no size or date rather than made-up ones.
        if (e.haveStat) {
            row.Cell(kColWavSize) = FormatWavSizeCell(std::uintmax_t(e.st.st_size));
            row.Cell(kColWavDate) = FormatDateCell(e.st.st_mtime);
        }

        // The MP3 is looked for beside the WAV file, whatever the output folder is.
        const std::string mp3Name = MakeMp3Name(e.name);
        struct stat mp3 {};
        if (StatAny(SubfolderPath(folder, mp3Name), &mp3)) {
            row.Cell(kColMp3Name) = mp3Name;
            row.Cell(kColMp3Size) = FormatMp3SizeCell(std::uintmax_t(mp3.st_size));
            row.Cell(kColMp3Date) = FormatDateCell(mp3.st_mtime);
        } else {
            row.Cell(kColMp3Name) = kNoMp3Text;
        }

        m_result.rows.push_back(std::move(row));
        ++added;
        // Checked after every completed row, so the last row that fits is still added in
        // full and the limit is reported even when no file is left.
        if (++rowIndex >= MaxFileRows) {
            m_result.tooMany = true;
            return -1;
        }
    }
    return added;
}

std::string EnterSourceFolder(const std::string& folder) {
    // A folder that cannot be entered leaves the previous current directory, which is then
    // what the caller lists.
    const bool entered = !folder.empty() && chdir(folder.c_str()) == 0;
    static_cast<void>(entered);
    return CurrentDirectory();
}

ScanResult ScanSource(const std::string& source, bool subdir) {
    FolderScan scan;
    if (subdir)
        scan.ScanTree(source, source);
    else
        scan.ScanFolder(source, source, 0);
    ScanResult result = std::move(scan.Result());
    result.source = source;
    return result;
}

ScanResult RefreshRows(const std::string& requestedSource, bool subdir) {
    return ScanSource(EnterSourceFolder(requestedSource), subdir);
}

}  // namespace qar
