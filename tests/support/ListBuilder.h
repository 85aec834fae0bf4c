#pragma once
// Writes -listinfo text: game blocks with ROMs, samples and parent links, and raw lines for
// the odd cases a real list never holds.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vextral::test {

class ListGame {
  public:
    ListGame& CloneOf(const std::string& parent);
    ListGame& SampleOf(const std::string& sampleSet);
    // A ROM with a crc (written as 8 hex digits) or, without one, no crc at all.
    ListGame& Rom(const std::string& name, std::uint32_t size,
                  std::optional<std::uint32_t> crc = std::nullopt);
    ListGame& Sample(const std::string& name);
    // A line inside the block, written as given.
    ListGame& Line(const std::string& text);

  private:
    friend class ListBuilder;
    std::string name_;
    std::string description_;
    std::vector<std::string> lines_;
};

class ListBuilder {
  public:
    // A game block; the description is written quoted.
    ListGame& Game(const std::string& name, const std::string& description);
    // A line outside any block, written as given.
    ListBuilder& Raw(const std::string& text);

    std::string Text() const;
    // Writes Text() to path and returns path.
    std::string WriteTo(const std::string& path) const;

  private:
    struct Item {
        bool isRaw = false;
        std::string raw;
        ListGame game;
    };
    std::deque<Item> items_;
};

}  // namespace vextral::test
