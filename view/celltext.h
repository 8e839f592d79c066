// The texts of the file list's cells, formatted exactly as the list shows them.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace qar {

inline constexpr const char* kFormatErrorText = "FORMAT ERROR";
inline constexpr const char* kNotPcmText = "FORMAT ERROR (not PCM)";
inline constexpr const char* kNoMp3Text = "(none)";

// The Info cell from what readWavInfo left: "44K 16bit stereo", or a format error text.
std::string FormatInfoCell(int readResult, int sampleRate, int bits, int channels, int format);
// The WAV size cell: whole KiB rounded down, but never below "1K".
std::string FormatWavSizeCell(std::uintmax_t bytes);
// The MP3 size cell: whole KiB rounded down; a file below 1 KiB shows "0K".
std::string FormatMp3SizeCell(std::uintmax_t bytes);
// A date cell, "yy-mm-dd hh:mm" in local time; empty when the time has no local form.
std::string FormatDateCell(std::time_t when);

}  // namespace qar
