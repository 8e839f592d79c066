// The per-user settings store, as seen by the code that loads and saves settings.
#pragma once

#include <string>

namespace qar {

// Values by section and key. A value that is missing or cannot be read yields the given
// default; a write that fails is ignored.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // An integer value; missing or not a number: def.
    virtual int ReadInt(const char* section, const char* key, int def) const = 0;
    // Stores an integer value.
    virtual void WriteInt(const char* section, const char* key, int value) = 0;
    // A text value as bytes (paths keep the file system's own bytes); missing: def.
    virtual std::string ReadString(const char* section, const char* key,
                                   const std::string& def) const = 0;
    // Stores a text value.
    virtual void WriteString(const char* section, const char* key, const std::string& value) = 0;
};

}  // namespace qar
