#pragma once
// Reading and writing AppSettings through a SettingsStore: the value names, defaults and the
// order in which they are read and written.

#include <optional>
#include <string>

#include "app/core/SettingsStore.h"
#include "ui/AppSettings.h"

namespace vextral {

inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kPathsSection = "Paths";
inline constexpr const char* kWindowSection = "Window";

// Every value absent from the store takes its default. A flag is on only when stored as
// exactly 1. Path strings are kept as stored.
AppSettings LoadSettings(SettingsStore& store);

// Writes every value (flags as 0 or 1) and syncs; false when the store could not keep them.
[[nodiscard]] bool SaveSettings(SettingsStore& store, const AppSettings& settings);

// The message for settings that could not be written to this file.
std::string SettingsNotWrittenMessage(const std::string& file);

// The main window's place on the screen in its normal (not maximised) state, and whether it
// was maximised.
struct WindowPlace {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;

    bool operator==(const WindowPlace&) const = default;
};

// Nothing when the section is absent or incomplete, or the size is not positive.
std::optional<WindowPlace> LoadWindowPlace(SettingsStore& store);
// Written before SaveSettings, which syncs.
void SaveWindowPlace(SettingsStore& store, const WindowPlace& place);

}  // namespace vextral
