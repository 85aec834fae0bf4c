#pragma once
// Writes a game list as -listinfo text, -listxml or an XML datfile: game blocks with ROMs,
// samples and parent links, and raw lines for the odd cases a real list never holds.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vextral::test {

enum class XmlStyle {
    MameMachines,  // <mame> with <machine> elements, as today's MAME writes
    MameGames,     // <mame> with <game> elements, as older builds wrote
    Datafile,      // <datafile> with a <header> and <game> elements
};

class ListGame {
  public:
    ListGame& CloneOf(const std::string& parent);
    ListGame& SampleOf(const std::string& sampleSet);
    // A ROM with a crc (written as 8 hex digits) or, without one, no crc at all.
    ListGame& Rom(const std::string& name, std::uint32_t size,
                  std::optional<std::uint32_t> crc = std::nullopt);
    // A sample file; XML names it without its ".wav".
    ListGame& Sample(const std::string& name);
    // A BIOS set: a "resource" block in text, isbios="yes" in XML.
    ListGame& Bios();
    // A line inside the block, written as given; text only, XML leaves it out.
    ListGame& Line(const std::string& text);
    // Markup inside the element, written as given; XML only, text leaves it out.
    ListGame& XmlLine(const std::string& text);

  private:
    friend class ListBuilder;
    enum class Kind { CloneOf, SampleOf, Rom, Sample, Line, XmlLine };
    struct Entry {
        Kind kind;
        std::string text;
        std::uint32_t size = 0;
        std::optional<std::uint32_t> crc;
    };
    std::string name_;
    std::string description_;
    bool bios_ = false;
    std::vector<Entry> entries_;
};

class ListBuilder {
  public:
    // A game block; the description is written quoted.
    ListGame& Game(const std::string& name, const std::string& description);
    // A line outside any block, written as given (text only).
    ListBuilder& Raw(const std::string& text);

    std::string Text() const;
    std::string Xml(XmlStyle style = XmlStyle::MameMachines) const;
    // Writes Text() (or Xml(style)) to path and returns path.
    std::string WriteTo(const std::string& path) const;
    std::string WriteXmlTo(const std::string& path, XmlStyle style = XmlStyle::MameMachines) const;

  private:
    struct Item {
        bool isRaw = false;
        std::string raw;
        ListGame game;
    };
    std::deque<Item> items_;
};

// Writes text gzip-compressed to path and returns path.
std::string WriteGzipFile(const std::string& path, const std::string& text);

}  // namespace vextral::test
