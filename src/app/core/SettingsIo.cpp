#include "app/core/SettingsIo.h"

#include <array>
#include <string_view>

namespace vextral {

namespace {

struct FlagValue {
    std::string_view name;
    bool defaultValue;
};

// The flags in the order they are read, with their defaults.
constexpr std::array<FlagValue, 28> kFlagReadOrder{{
    {"ListInfoWarnings", true},
    {"AskForMameExe", true},
    {"PathWarning", true},
    {"UseMameExe", true},
    {"Games", true},
    {"Roms", true},
    {"Samples", true},
    {"Missing", true},
    {"MissingAdvanced", false},
    {"Length", true},
    {"Unneeded", true},
    {"UnneededAdvanced", false},
    {"Spelling", false},
    {"Checksum", true},
    {"AvailChecksum", false},
    {"RightName", true},
    {"FixName", false},
    {"FixLength", false},
    {"FixUnneeded", false},
    {"FixSpelling", false},
    {"Backup", true},
    {"Ask", true},
    {"Batchrun", false},
    {"NeoGeo", true},
    {"NeoGeoExclusive", false},
    {"MergeSplit", true},
    {"MergeFull", false},
    {"AltSamples", true},
}};

constexpr std::array<std::string_view, 24> kOptionWriteOrder{
    "Games",           "Roms",       "Samples",       "Missing",
    "MissingAdvanced", "Length",     "Unneeded",      "UnneededAdvanced",
    "Spelling",        "Checksum",   "AvailChecksum", "RightName",
    "FixName",         "FixLength",  "FixUnneeded",   "FixSpelling",
    "Backup",          "Ask",        "Batchrun",      "NeoGeo",
    "NeoGeoExclusive", "MergeSplit", "MergeFull",     "AltSamples",
};

// Works for const and mutable settings alike.
template <typename Settings>
auto FlagByName(Settings& settings, std::string_view name) -> decltype(&settings.UseMameExe) {
    if (name == "ListInfoWarnings")
        return &settings.ListInfoWarnings;
    if (name == "AskForMameExe")
        return &settings.AskForMameExe;
    if (name == "PathWarning")
        return &settings.PathWarning;
    if (name == "UseMameExe")
        return &settings.UseMameExe;
    for (const auto& field : kScanOptionFields) {
        if (field.name == name)
            return &(settings.options.*field.member);
    }
    return nullptr;
}

std::string ReadPath(SettingsStore& store, const char* name) {
    return store.ReadString(kPathsSection, name).value_or(std::string());
}

void WriteFlag(SettingsStore& store, std::string_view name, bool value) {
    store.WriteInt(kSettingsSection, std::string(name), value ? 1 : 0);
}

}  // namespace

AppSettings LoadSettings(SettingsStore& store) {
    AppSettings settings;
    for (const auto& flag : kFlagReadOrder) {
        const std::optional<int> stored = store.ReadInt(kSettingsSection, std::string(flag.name));
        *FlagByName(settings, flag.name) = stored ? *stored == 1 : flag.defaultValue;
    }
    settings.samplepaths = ReadPath(store, "Samplepaths");
    settings.rompaths = ReadPath(store, "Rompaths");
    settings.miscpaths = ReadPath(store, "Miscpaths");
    settings.chosenGames = ReadPath(store, "ChosenGames");
    settings.mameFolder = ReadPath(store, "MameExe");
    settings.programFolder = ReadPath(store, "VextralExe");
    settings.listFile = ReadPath(store, "ListFile");
    if (const auto runs = store.ReadInt(kSettingsSection, "JournalRuns"); runs && *runs > 0)
        settings.JournalRuns = static_cast<unsigned>(*runs);
    return settings;
}

bool SaveSettings(SettingsStore& store, const AppSettings& settings) {
    WriteFlag(store, "ListInfoWarnings", settings.ListInfoWarnings);
    WriteFlag(store, "UseMameExe", settings.UseMameExe);
    WriteFlag(store, "AskForMameExe", settings.AskForMameExe);
    WriteFlag(store, "PathWarning", settings.PathWarning);
    store.WriteString(kPathsSection, "MameExe", settings.mameFolder);
    store.WriteString(kPathsSection, "VextralExe", settings.programFolder);
    for (std::string_view name : kOptionWriteOrder) {
        WriteFlag(store, name, *FlagByName(settings, name));
    }
    store.WriteString(kPathsSection, "Rompaths", settings.rompaths);
    store.WriteString(kPathsSection, "Samplepaths", settings.samplepaths);
    store.WriteString(kPathsSection, "Miscpaths", settings.miscpaths);
    store.WriteString(kPathsSection, "ChosenGames", settings.chosenGames);
    store.WriteString(kPathsSection, "ListFile", settings.listFile);
    if (settings.JournalRuns != AppSettings{}.JournalRuns)
        store.WriteInt(kSettingsSection, "JournalRuns", static_cast<int>(settings.JournalRuns));
    return store.Sync();
}

std::string SettingsNotWrittenMessage(const std::string& file) {
    return "Can't write the settings to '" + file + "'.";
}

std::optional<WindowPlace> LoadWindowPlace(SettingsStore& store) {
    const auto left = store.ReadInt(kWindowSection, "Left");
    const auto top = store.ReadInt(kWindowSection, "Top");
    const auto width = store.ReadInt(kWindowSection, "Width");
    const auto height = store.ReadInt(kWindowSection, "Height");
    if (!left || !top || !width || !height || *width <= 0 || *height <= 0)
        return std::nullopt;
    return WindowPlace{*left, *top, *width, *height,
                       store.ReadInt(kWindowSection, "Maximized").value_or(0) == 1};
}

void SaveWindowPlace(SettingsStore& store, const WindowPlace& place) {
    store.WriteInt(kWindowSection, "Left", place.left);
    store.WriteInt(kWindowSection, "Top", place.top);
    store.WriteInt(kWindowSection, "Width", place.width);
    store.WriteInt(kWindowSection, "Height", place.height);
    store.WriteInt(kWindowSection, "Maximized", place.maximized ? 1 : 0);
}

}  // namespace vextral
