// Where every value kept between runs lives in the settings store, and its default.
#pragma once

namespace qar {

// The store: organisation and application (~/.config/lomu-dar/qar.conf on Linux).
inline constexpr const char* kSettingsOrganisation = "lomu-dar";
inline constexpr const char* kSettingsApplication = "qar";

// Sections.
inline constexpr const char* kSectionOption = "Option";
inline constexpr const char* kSectionPath = "Path";
inline constexpr const char* kSectionSettings = "Settings";

// Option: the encoding options (the value names equal EncodeOptions' fields) and cdbase.
inline constexpr const char* kKeyBitrate = "bitrate";
inline constexpr const char* kKeyQuickmode = "quickmode";
inline constexpr const char* kKeyStereo = "stereo";
inline constexpr const char* kKeyVbr = "vbr";
inline constexpr const char* kKeyBitcut = "bitcut";
inline constexpr const char* kKeyMmx = "mmx";
inline constexpr const char* kKeyPrior = "prior";
inline constexpr const char* kKeyCdbase = "cdbase";
// Path: the folder switches and the two folders.
inline constexpr const char* kKeySubdir = "subdir";
inline constexpr const char* kKeySamedir = "samedir";
inline constexpr const char* kKeyWavFileDir = "WavFileDir";
inline constexpr const char* kKeyMp3FileDir = "Mp3FileDir";
// Settings: the main window's placement.
inline constexpr const char* kKeyWindowPos = "WindowPos";

// Defaults of missing values.
inline constexpr int kDefaultBitrate = 128;  // also taken for a stored bitrate of 0 or less
inline constexpr int kDefaultQuickmode = 0;
inline constexpr int kDefaultStereo = 1;
inline constexpr int kDefaultVbr = 3;
inline constexpr int kDefaultBitcut = 3;
inline constexpr int kDefaultMmx = 0;
inline constexpr int kDefaultPrior = 1;
inline constexpr const char* kDefaultCdbase = "track";
inline constexpr int kDefaultSubdir = 0;
inline constexpr int kDefaultSamedir = 1;

}  // namespace qar
