#pragma once
// Reading and writing AppSettings through a SettingsStore: the value names, defaults and the
// order in which they are read and written.

#include "app/core/SettingsStore.h"
#include "ui/AppSettings.h"

namespace vextral {

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kPathsSection = "Paths";

// Every value absent from the store takes its default. A flag is on only when stored as
// exactly 1. Path strings are kept as stored.
AppSettings LoadSettings(SettingsStore& store);

// Writes every value (flags as 0 or 1) and syncs; false when the store could not keep them.
[[nodiscard]] bool SaveSettings(SettingsStore& store, const AppSettings& settings);

}  // namespace vextral
