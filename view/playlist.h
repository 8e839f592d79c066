// The M3U playlist of the file list: its content and where it is written.
#pragma once

#include <string>
#include <vector>

#include "view/filerow.h"
#include "view/pathrules.h"

namespace qar {

inline constexpr const char* kPlaylistFileName = "qar.m3u";
// Shown when a playlist got no line.
inline constexpr const char* kNoMp3FileText = "no mp3 file";

struct Playlist {
    std::string text;  // the file's bytes: one path a line, each line ended by CR LF
    int lines = 0;     // the number of paths in text
};

// The playlist of the given relative names in the given order: every non-empty name's MP3
// path; withWav puts each name's WAV path before its MP3 path. A path holding a line break
// is left out, since written out it would read as two entries. The same-folder rule of
// GetMp3Path applies to context.
Playlist MakePlaylist(const std::vector<std::string>& relativeNames, PathContext& context,
                      bool withWav);
// The same for list rows (marked or not).
Playlist MakePlaylist(const std::vector<FileRow>& rows, PathContext& context, bool withWav);

struct PlaylistFile {
    bool ok = false;
    std::string path;   // the file written, when ok
    std::string error;  // why nothing was written, when not ok
};

// Writes the playlist text to kPlaylistFileName in programFolder; where that folder cannot
// be written (a system-wide install), into userFolder instead, which is created if missing.
// The file is replaced as a whole, so a player never reads half of it.
PlaylistFile WritePlaylistFile(const std::string& text, const std::string& programFolder,
                               const std::string& userFolder);
// The same in GetProgramFolder() and UserDataFolder().
PlaylistFile WritePlaylistFile(const std::string& text);

}  // namespace qar
