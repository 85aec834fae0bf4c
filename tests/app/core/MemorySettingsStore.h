#pragma once
// An in-memory SettingsStore that records every read and write in order.

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/SettingsStore.h"

namespace vextral::test {

class MemorySettingsStore : public SettingsStore {
  public:
    std::map<std::string, int> ints;  // "Section/Name"
    std::map<std::string, std::string> strings;
    std::vector<std::string> reads;                           // "Section/Name"
    std::vector<std::pair<std::string, std::string>> writes;  // ("Section/Name", value)
    int syncs = 0;

    std::optional<int> ReadInt(const std::string& section, const std::string& name) override {
        reads.push_back(section + "/" + name);
        const auto it = ints.find(section + "/" + name);
        return it == ints.end() ? std::nullopt : std::optional<int>(it->second);
    }
    std::optional<std::string> ReadString(const std::string& section,
                                          const std::string& name) override {
        reads.push_back(section + "/" + name);
        const auto it = strings.find(section + "/" + name);
        return it == strings.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void WriteInt(const std::string& section, const std::string& name, int value) override {
        ints[section + "/" + name] = value;
        writes.emplace_back(section + "/" + name, std::to_string(value));
    }
    void WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override {
        strings[section + "/" + name] = value;
        writes.emplace_back(section + "/" + name, value);
    }
    bool Sync() override {
        ++syncs;
        return true;
    }
};

}  // namespace vextral::test
