#include "support/ListBuilder.h"

#include <cstdio>

#include "support/TempFolder.h"

namespace vextral::test {

ListGame& ListGame::CloneOf(const std::string& parent) {
    lines_.push_back("cloneof " + parent);
    lines_.push_back("romof " + parent);
    return *this;
}

ListGame& ListGame::SampleOf(const std::string& sampleSet) {
    lines_.push_back("sampleof " + sampleSet);
    return *this;
}

ListGame& ListGame::Rom(const std::string& name, std::uint32_t size,
                        std::optional<std::uint32_t> crc) {
    std::string line = "rom ( name " + name + " size " + std::to_string(size);
    if (crc) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08x", *crc);
        line += std::string(" crc ") + hex;
    }
    lines_.push_back(line + " )");
    return *this;
}

ListGame& ListGame::Sample(const std::string& name) {
    lines_.push_back("sample " + name);
    return *this;
}

ListGame& ListGame::Line(const std::string& text) {
    lines_.push_back(text);
    return *this;
}

ListGame& ListBuilder::Game(const std::string& name, const std::string& description) {
    Item& item = items_.emplace_back();
    item.game.name_ = name;
    item.game.description_ = description;
    return item.game;
}

ListBuilder& ListBuilder::Raw(const std::string& text) {
    Item& item = items_.emplace_back();
    item.isRaw = true;
    item.raw = text;
    return *this;
}

std::string ListBuilder::Text() const {
    std::string text;
    for (const Item& item : items_) {
        if (item.isRaw) {
            text += item.raw + "\n";
            continue;
        }
        text += "game (\n\tname " + item.game.name_ + "\n\tdescription \"" +
                item.game.description_ + "\"\n\tyear 1983\n\tmanufacturer \"Test\"\n";
        for (const std::string& line : item.game.lines_)
            text += "\t" + line + "\n";
        text += ")\n\n";
    }
    return text;
}

std::string ListBuilder::WriteTo(const std::string& path) const {
    return WriteFile(path, Text());
}

}  // namespace vextral::test
