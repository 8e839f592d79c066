// The scan of the source folder (and, on request, its whole tree) into file-list rows.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#include "view/filerow.h"

namespace qar {

// The most rows the list takes.
inline constexpr int MaxFileRows = 3000;
// Shown once when a scan stopped at MaxFileRows.
inline constexpr const char* kTooManyWaveFilesText = "Too many wave files:\nStop reading.";

struct ScanResult {
    std::string source;         // the folder that was listed, in the system's form
    std::vector<FileRow> rows;  // in scan order, all unmarked, row numbers 0 upward
    bool tooMany = false;       // the row limit was hit: show kTooManyWaveFilesText once
};

// One walk over a folder or a tree, adding rows to its result. A walk never enters the same
// folder twice (symbolic links can make cycles) and skips folders it cannot read.
class FolderScan {
public:
    FolderScan() = default;

    // Adds the rows of folder and of every folder below it: the folder's own files first,
    // then each subfolder's tree in name order. A call with folder == source starts a walk.
    void ScanTree(const std::string& folder, const std::string& source);

    // Adds one row per "*.wav" entry of folder (any case, folders too), numbered from
    // firstRow. Returns the number of rows added, or -1 when the row limit stopped it.
    int ScanFolder(const std::string& folder, const std::string& source, int firstRow);

    // Rows added so far by the current walk (the next row's number), -1 once the limit hit.
    int ScanRowTotal() const { return m_scanRowTotal; }

    // The rows and the limit flag; source is left to the caller.
    ScanResult& Result() { return m_result; }

private:
    struct Entry;
    static bool ListFolder(const std::string& folder, bool withFolders, std::vector<Entry>* entries,
                           struct stat* self);
    int AddRows(const std::string& folder, const std::string& source,
                const std::vector<Entry>& entries, int firstRow);

    ScanResult m_result;
    int m_scanRowTotal = 0;
    std::set<std::pair<dev_t, ino_t>> m_visited;
};

// Makes folder the process's current directory and returns the current directory as the
// system reports it ("/" keeps its separator, other folders have none). When folder cannot
// be entered the previous current directory stays and is returned; "" when even that
// cannot be read.
std::string EnterSourceFolder(const std::string& folder);

// Lists source (with subdir, its whole tree) into rows.
ScanResult ScanSource(const std::string& source, bool subdir);

// A whole refresh: enters the requested source folder, then lists what it turned out to be.
ScanResult RefreshRows(const std::string& requestedSource, bool subdir);

}  // namespace qar
