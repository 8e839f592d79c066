#include "settings/optionsettings.h"

#include "settings/settingskeys.h"

namespace qar {

int LoadBitrate(const SettingsStore& store) {
    const int bitrate = store.ReadInt(kSectionOption, kKeyBitrate, kDefaultBitrate);
    return bitrate <= 0 ? kDefaultBitrate : bitrate;
}

ViewSettings LoadViewSettings(const SettingsStore& store) {
    ViewSettings s;
    EncodeOptions& o = s.options;
    o.bitrate = LoadBitrate(store);
    o.quickmode = store.ReadInt(kSectionOption, kKeyQuickmode, kDefaultQuickmode);
    o.stereo = store.ReadInt(kSectionOption, kKeyStereo, kDefaultStereo);
    o.vbr = store.ReadInt(kSectionOption, kKeyVbr, kDefaultVbr);
    o.mmx = store.ReadInt(kSectionOption, kKeyMmx, kDefaultMmx);
    o.prior = store.ReadInt(kSectionOption, kKeyPrior, kDefaultPrior);
    o.bitcut = store.ReadInt(kSectionOption, kKeyBitcut, kDefaultBitcut);
    s.subdir = store.ReadInt(kSectionPath, kKeySubdir, kDefaultSubdir);
    s.samedir = store.ReadInt(kSectionPath, kKeySamedir, kDefaultSamedir);
    s.cdbase = store.ReadString(kSectionOption, kKeyCdbase, kDefaultCdbase);
    return s;
}

void SaveViewSettings(SettingsStore& store, int subdir, int samedir, const std::string& cdbase,
                      int prior) {
    store.WriteInt(kSectionPath, kKeySubdir, subdir);
    store.WriteInt(kSectionPath, kKeySamedir, samedir);
    store.WriteString(kSectionOption, kKeyCdbase, cdbase);
    store.WriteInt(kSectionOption, kKeyPrior, prior);
}

void SaveDialogOptions(SettingsStore& store, int bitrate, int quickmode, int stereo, int vbr,
                       int bitcut) {
    store.WriteInt(kSectionOption, kKeyBitrate, bitrate);
    store.WriteInt(kSectionOption, kKeyQuickmode, quickmode);
    store.WriteInt(kSectionOption, kKeyStereo, stereo);
    store.WriteInt(kSectionOption, kKeyVbr, vbr);
    store.WriteInt(kSectionOption, kKeyMmx, 0);
    store.WriteInt(kSectionOption, kKeyBitcut, bitcut);
}

std::string LoadWavFileDir(const SettingsStore& store) {
    return store.ReadString(kSectionPath, kKeyWavFileDir, std::string());
}

std::string LoadMp3FileDir(const SettingsStore& store) {
    return store.ReadString(kSectionPath, kKeyMp3FileDir, std::string());
}

void SaveFolders(SettingsStore& store, const std::string& wavFileDir,
                 const std::string& mp3FileDir) {
    store.WriteString(kSectionPath, kKeyWavFileDir, wavFileDir);
    store.WriteString(kSectionPath, kKeyMp3FileDir, mp3FileDir);
}

std::string LoadWindowPos(const SettingsStore& store) {
    return store.ReadString(kSectionSettings, kKeyWindowPos, std::string());
}

void SaveWindowPos(SettingsStore& store, const std::string& placement) {
    store.WriteString(kSectionSettings, kKeyWindowPos, placement);
}

}  // namespace qar
