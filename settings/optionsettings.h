// Loading and saving the values kept between runs, in the order the program does it.
#pragma once

#include <string>

#include "settings/encodeoptions.h"
#include "settings/settingsstore.h"

namespace qar {

// What the file list's view keeps from the store.
struct ViewSettings {
    EncodeOptions options;
    int subdir = kDefaultSubdir;          // scan the subfolders too
    int samedir = kDefaultSamedir;        // MP3 files next to their WAV files
    std::string cdbase = kDefaultCdbase;  // unused, but kept so a stored value survives
};

// The stored bitrate; 0 or less reads as the default.
int LoadBitrate(const SettingsStore& store);

// Everything the view reads when it is built: the options, then the switches, then cdbase.
ViewSettings LoadViewSettings(const SettingsStore& store);

// What the view writes when it goes: subdir, samedir, cdbase, then the priority index.
void SaveViewSettings(SettingsStore& store, int subdir, int samedir, const std::string& cdbase,
                      int prior);

// What the options dialog writes on OK: bitrate, quickmode, stereo, vbr, mmx (always 0,
// so a hand-set "-d1" lasts only until the next OK), bitcut.
void SaveDialogOptions(SettingsStore& store, int bitrate, int quickmode, int stereo, int vbr,
                       int bitcut);

// The two folders of the main frame; "" when not stored.
std::string LoadWavFileDir(const SettingsStore& store);
std::string LoadMp3FileDir(const SettingsStore& store);
// Stores both folders (main window close).
void SaveFolders(SettingsStore& store, const std::string& wavFileDir,
                 const std::string& mp3FileDir);

// The main window's placement text; "" when not stored.
std::string LoadWindowPos(const SettingsStore& store);
// Stores the placement text.
void SaveWindowPos(SettingsStore& store, const std::string& placement);

}  // namespace qar
