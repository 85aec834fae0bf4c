#include "scanner/MameIni.h"

#include <cstdlib>

#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "platform/UserFolders.h"

namespace vextral {

namespace {

// mame.ini is a short text.
constexpr std::size_t kMaxIniSize = 1 << 20;

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

Environment ProcessEnvironment() {
    return [](const std::string& name) -> std::optional<std::string> {
        const char* value = std::getenv(name.c_str());
        if (value == nullptr)
            return std::nullopt;
        return std::string(value);
    };
}

std::vector<std::string> UserMameIniFolders() {
    std::vector<std::string> folders;
    const std::string home = HomeFolder();
    if (!home.empty())
        folders.push_back(home + (home.back() == kSeparator ? "" : "/") + ".mame/");
    folders.push_back("/etc/mame/");
    return folders;
}

std::string ExpandMameIniValue(std::string_view value, const Environment& environment) {
    value = TrimWhiteSpace(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    const auto variable = [&](const std::string& name) {
        return environment(name).value_or(std::string());
    };
    std::string out;
    bool entryStart = true;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (entryStart && c == '~' &&
            (i + 1 == value.size() || value[i + 1] == '/' || value[i + 1] == ';')) {
            out += variable("HOME");
        } else if (c == '$' && i + 1 < value.size() && value[i + 1] == '{') {
            const std::size_t close = value.find('}', i + 2);
            if (close == std::string_view::npos) {
                out += value.substr(i);
                break;
            }
            out += variable(std::string(value.substr(i + 2, close - i - 2)));
            i = close;
        } else if (c == '$' && i + 1 < value.size() && IsNameCharacter(value[i + 1])) {
            std::size_t end = i + 1;
            while (end < value.size() && IsNameCharacter(value[end]))
                ++end;
            out += variable(std::string(value.substr(i + 1, end - i - 1)));
            i = end - 1;
        } else {
            out += c;
        }
        entryStart = c == ';';
    }
    return out;
}

MameIniPaths ParseMameIni(std::string_view text, const Environment& environment) {
    MameIniPaths paths;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = TrimWhiteSpace(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        std::size_t keyEnd = 0;
        while (keyEnd < line.size() && !IsWhiteSpace(line[keyEnd]))
            ++keyEnd;
        const std::string_view key = line.substr(0, keyEnd);
        std::string* target = EqualsIgnoringCase(key, "rompath")      ? &paths.rompath
                              : EqualsIgnoringCase(key, "samplepath") ? &paths.samplepath
                                                                      : nullptr;
        // A later line overrides an earlier one, as MAME reads it.
        if (target != nullptr)
            *target = ExpandMameIniValue(line.substr(keyEnd), environment);
    }
    return paths;
}

std::optional<MameIniPaths> ReadMameIni(const std::vector<std::string>& folders,
                                        const Environment& environment) {
    for (const std::string& folder : folders) {
        // A longer file is cut, so that no input can exhaust memory.
        const std::optional<std::string> text = ReadRegularFileHead(
            folder + (folder.empty() || folder.back() == kSeparator ? "" : "/") + "mame.ini",
            kMaxIniSize);
        if (text)
            return ParseMameIni(*text, environment);
    }
    return std::nullopt;
}

}  // namespace vextral
