#pragma once
// The settings store as an INI file in the per-user configuration folder.

#include <QSettings>
#include <string>

#include "app/core/SettingsStore.h"

namespace vextral {

class QtSettingsStore final : public SettingsStore {
  public:
    // UserConfigFolder() + "vextral.ini".
    QtSettingsStore();
    explicit QtSettingsStore(const std::string& filePath);

    std::optional<int> ReadInt(const std::string& section, const std::string& name) override;
    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& name) override;
    void WriteInt(const std::string& section, const std::string& name, int value) override;
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override;
    bool Sync() override;

    std::string FilePath() const;

  private:
    QSettings settings_;
};

}  // namespace vextral
