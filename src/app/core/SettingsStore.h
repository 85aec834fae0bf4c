#pragma once

#include <optional>
#include <string>

namespace vextral {

// Per-user settings under the key "Vextral": integers in section "Settings", strings in
// section "Paths".
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<int> ReadInt(const std::string& section, const std::string& name) = 0;
    virtual std::optional<std::string> ReadString(const std::string& section,
                                                  const std::string& name) = 0;
    virtual void WriteInt(const std::string& section, const std::string& name, int value) = 0;
    virtual void WriteString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
    // Makes the written values durable; false when they could not be stored.
    [[nodiscard]] virtual bool Sync() { return true; }
};

}  // namespace vextral
