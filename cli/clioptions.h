// The command line of qar-cli.
#pragma once

#include <optional>
#include <string>

namespace qar {

// What the user asked for; unset options take the stored settings.
struct CliOptions {
    std::string folder;     // the source folder
    std::string outDir;     // empty: MP3 files next to their WAV files
    bool subdirs = false;   // -r: the whole tree
    bool all = false;       // every row, not only those the automatic marking picks
    bool list = false;      // print the rows instead of encoding
    bool dryRun = false;    // print the jobs instead of encoding
    bool playlist = false;  // write the playlist instead of encoding
    bool playlistWithWav = false;
    bool quiet = false;
    bool save = false;  // store the given options as the new defaults
    int jobs = 0;       // 0: one per core
    std::string shard;  // "K/N": only every N-th job, starting at the K-th (1-based)
    std::optional<int> bitrate, quickmode, stereo, vbr, bitcut;
};

enum class CliParse { Run, Help, Error };

// Parses argv. On Error, error holds a one-line reason.
CliParse ParseCliOptions(int argc, char** argv, CliOptions& options, std::string& error);

// The text of --help.
const char* CliHelpText();

// Splits a "K/N" shard text; false when it is not 1 <= K <= N.
bool ParseShard(const std::string& text, int& index, int& count);

}  // namespace qar
