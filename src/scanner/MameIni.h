#pragma once
// MAME's own configuration file, mame.ini, where today's MAME keeps its rompath and
// samplepath: "key value" lines, '#' comments, values separated by ';', "$VAR" and a
// leading "~" standing for the environment's values, quotes around a value.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vextral {

struct MameIniPaths {
    std::string rompath;     // expanded, entries separated by ';'
    std::string samplepath;  // the same
};

// A variable's value, or nothing when it is not set.
using Environment = std::function<std::optional<std::string>(const std::string& name)>;
Environment ProcessEnvironment();

// Where mame.ini is looked for after the MAME folder: ~/.mame/, then /etc/mame/ (where
// Debian's package keeps it).
std::vector<std::string> UserMameIniFolders();

// The paths of the first folder's mame.ini that can be read; nothing when none can.
std::optional<MameIniPaths> ReadMameIni(const std::vector<std::string>& folders,
                                        const Environment& environment = ProcessEnvironment());

MameIniPaths ParseMameIni(std::string_view text, const Environment& environment);

// One value: quotes removed, each ';' entry's leading "~" and every "$NAME" or "${NAME}"
// replaced by the environment's value (nothing when it is not set).
std::string ExpandMameIniValue(std::string_view value, const Environment& environment);

}  // namespace vextral
