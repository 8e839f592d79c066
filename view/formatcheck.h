// The checks a marked row passes before it becomes an encoding job, and the texts the
// Encode command shows.
#pragma once

#include <string>

namespace qar {

inline constexpr const char* kBadRateMessage =
    "Wave file samping rate supports only 44, 48, 32Kbps";
inline constexpr const char* kBadBitsMessage = "Wave file bits supports only 16bit";
inline constexpr const char* kNothingMarkedMessage =
    "エンコードしたいファイルにチェックマークを付けてください";
inline constexpr const char* kAlreadyStartedMessage = "Encoding is already started.";

enum class WavCheck {
    Ok,          // encodable
    Unreadable,  // the header could not be read: skipped without a message
    BadRate,     // kBadRateMessage
    BadBits,     // kBadBitsMessage
};

// The encoder takes 32, 44.1 and 48 kHz (judged by rate / 1000) and 16 bits; rate first.
WavCheck CheckWavFormat(int sampleRate, int bitsPerSample);

// Reads the header of a WAV file and checks its format.
WavCheck CheckWavFile(const std::string& path);

// The message to show for a check result, or nullptr when none is shown.
const char* WavCheckMessage(WavCheck check);

}  // namespace qar
