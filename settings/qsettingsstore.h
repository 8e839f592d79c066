// The settings store on QSettings: ~/.config/lomu-dar/qar.conf with sections Option, Path
// and Settings (on Windows, the registry key of the same names).
#pragma once

#include <memory>
#include <string>

#include "settings/settingsstore.h"

class QSettings;

namespace qar {

class QSettingsStore : public SettingsStore {
public:
    // The user's own store.
    QSettingsStore();
    // A store in the given file, in the same format (tests use a throw-away one).
    explicit QSettingsStore(const std::string& filePath);
    ~QSettingsStore() override;
    QSettingsStore(const QSettingsStore&) = delete;
    QSettingsStore& operator=(const QSettingsStore&) = delete;

    int ReadInt(const char* section, const char* key, int def) const override;
    void WriteInt(const char* section, const char* key, int value) override;
    std::string ReadString(const char* section, const char* key,
                           const std::string& def) const override;
    void WriteString(const char* section, const char* key, const std::string& value) override;

    // The file the store reads and writes.
    std::string FileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace qar
