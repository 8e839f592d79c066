// One row of the file list: a WAV file found by the folder scan, with the texts it shows.
#pragma once

#include <array>
#include <string>

namespace qar {

// A row's mark is the number of its check-box image.
inline constexpr int kMarkUnmarked = 1;
inline constexpr int kMarkMarked = 2;

// The file list's columns, in the order they are shown.
enum FileColumn : int {
    kColName = 0,  // relative name
    kColInfo,      // "44K 16bit stereo" or a format error
    kColWavSize,   // "%dK", at least 1K
    kColWavDate,   // "yy-mm-dd hh:mm", local time
    kColMp3Name,   // the MP3 beside the WAV, or "(none)"
    kColMp3Size,   // "%dK", 0K allowed; empty without an MP3
    kColMp3Date,   // as kColWavDate; empty without an MP3
    kColumnCount
};

struct FileRow {
    // The WAV file's name relative to the source folder: a bare file name, or ".." followed by
    // the path below the source folder ("../live/take1.wav"). Byte string, never converted.
    std::string name;
    int mark = kMarkUnmarked;
    // The index at which the scan added the row; unique within one refresh, below MaxFileRows.
    int row = 0;
    // Texts of columns kColInfo..kColMp3Date (cells[column - 1]).
    std::array<std::string, kColumnCount - 1> cells;

    // The text shown in a column; column 0 is the name.
    const std::string& Text(int column) const {
        return column == kColName ? name : cells[column - 1];
    }
    // The cell of a column from kColInfo on, for filling it in.
    std::string& Cell(int column) { return cells[column - 1]; }
};

}  // namespace qar
