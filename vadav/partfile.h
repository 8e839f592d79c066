// An output file that appears under its final name only when it is complete.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace vadav {

// Written under a temporary name (".NAME.XXXXXX.part") in the destination folder and renamed
// over the final name by commit(), so a stopped or failed encoding never leaves a partial
// file and never touches a file that was there before.
class PartFile {
public:
    PartFile() = default;
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    // Creates the destination folder (with missing parents) and the temporary file, with the
    // usual permissions of a new file. False with error set when it cannot.
    bool create(const std::string& finalPath, std::string& error);

    // The open temporary file, opened for reading and writing; null when none is open.
    std::FILE* file() const { return m_file; }

    // Writes all bytes; false with error set on any failure (disk full, file too large, ...).
    bool write(const void* data, std::size_t bytes, std::string& error);

    // Flushes, syncs and closes the file and renames it to the final name. On failure the
    // temporary file is removed and error says why.
    bool commit(std::string& error);

    // Closes and removes the temporary file, if any.
    void discard();

    const std::string& tempPath() const { return m_tempPath; }

private:
    std::FILE* m_file = nullptr;
    std::string m_tempPath;
    std::string m_finalPath;
    std::string m_folder;
};

}  // namespace vadav
