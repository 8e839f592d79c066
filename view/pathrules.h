// How a list row's relative name becomes the full path of its WAV file and of its MP3 file.
//
// All names and paths are byte strings in the file system's own encoding, of any length.
#pragma once

#include <string>

namespace qar {

inline constexpr char kSeparator = '/';
// Relative names of files in subfolders start with this marker ("../live/take1.wav").
inline constexpr const char* kSubfolderMarker = "..";

// The folders a row's paths are built from.
struct PathContext {
    std::string source;    // the listed folder
    std::string output;    // the folder that receives MP3 files
    bool samedir = false;  // MP3 files go next to their WAV files
};

// A name's "wav" extension (any case) becomes "mp3"; any other name gets ".mp3" appended.
std::string MakeMp3Name(const std::string& name);

// True for the relative name of a file in a subfolder (marker followed by a path).
bool IsSubfolderName(const std::string& relativeName);

// Joins a folder and a relative name (bare name, or subfolder marker and path below it).
std::string JoinFolder(const std::string& folder, const std::string& relativeName);

// The path of a subfolder entry of a folder while walking a tree.
std::string SubfolderPath(const std::string& folder, const std::string& entry);

// The relative name of an entry of folder, which is source itself or lies below it.
std::string RelativeName(const std::string& folder, const std::string& source,
                         const std::string& entry);

// The full path of a row's WAV file.
std::string GetWavPath(const PathContext& context, const std::string& relativeName);

// The full path of a row's MP3 file. With samedir on, context.output is first overwritten
// with context.source and keeps that value; the caller's folders are changed on purpose.
std::string GetMp3Path(PathContext& context, const std::string& relativeName);

}  // namespace qar
