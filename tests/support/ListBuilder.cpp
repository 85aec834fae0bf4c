#include "support/ListBuilder.h"

#include <zlib.h>

#include <cstdio>

#include "platform/Text.h"
#include "support/TempFolder.h"

namespace vextral::test {

namespace {

std::string Hex8(std::uint32_t value) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", value);
    return hex;
}

std::string WithoutWav(const std::string& name) {
    const std::string wav = ".wav";
    if (name.size() > wav.size() && name.compare(name.size() - wav.size(), wav.size(), wav) == 0)
        return name.substr(0, name.size() - wav.size());
    return name;
}

}  // namespace

ListGame& ListGame::CloneOf(const std::string& parent) {
    entries_.push_back({Kind::CloneOf, parent, 0, std::nullopt});
    return *this;
}

ListGame& ListGame::SampleOf(const std::string& sampleSet) {
    entries_.push_back({Kind::SampleOf, sampleSet, 0, std::nullopt});
    return *this;
}

ListGame& ListGame::Rom(const std::string& name, std::uint32_t size,
                        std::optional<std::uint32_t> crc) {
    entries_.push_back({Kind::Rom, name, size, crc});
    return *this;
}

ListGame& ListGame::Sample(const std::string& name) {
    entries_.push_back({Kind::Sample, name, 0, std::nullopt});
    return *this;
}

ListGame& ListGame::Bios() {
    bios_ = true;
    return *this;
}

ListGame& ListGame::Line(const std::string& text) {
    entries_.push_back({Kind::Line, text, 0, std::nullopt});
    return *this;
}

ListGame& ListGame::XmlLine(const std::string& text) {
    entries_.push_back({Kind::XmlLine, text, 0, std::nullopt});
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
        const ListGame& game = item.game;
        text += std::string(game.bios_ ? "resource" : "game") + " (\n\tname " + game.name_ +
                "\n\tdescription \"" + game.description_ +
                "\"\n\tyear 1983\n\tmanufacturer \"Test\"\n";
        for (const ListGame::Entry& entry : game.entries_) {
            switch (entry.kind) {
                case ListGame::Kind::CloneOf:
                    text += "\tcloneof " + entry.text + "\n\tromof " + entry.text + "\n";
                    break;
                case ListGame::Kind::SampleOf:
                    text += "\tsampleof " + entry.text + "\n";
                    break;
                case ListGame::Kind::Rom:
                    text += "\trom ( name " + entry.text + " size " + std::to_string(entry.size) +
                            (entry.crc ? " crc " + Hex8(*entry.crc) : std::string()) + " )\n";
                    break;
                case ListGame::Kind::Sample:
                    text += "\tsample " + entry.text + "\n";
                    break;
                case ListGame::Kind::Line:
                    text += "\t" + entry.text + "\n";
                    break;
                case ListGame::Kind::XmlLine:
                    break;
            }
        }
        text += ")\n\n";
    }
    return text;
}

std::string ListBuilder::Xml(XmlStyle style) const {
    const bool datafile = style == XmlStyle::Datafile;
    const std::string element = style == XmlStyle::MameMachines ? "machine" : "game";
    std::string xml = "<?xml version=\"1.0\"?>\n";
    xml += datafile ? "<datafile>\n\t<header>\n\t\t<name>Test</name>\n\t\t<description>Test "
                      "list</description>\n\t</header>\n"
                    : "<mame build=\"0.251\" debug=\"no\" mameconfig=\"10\">\n";
    for (const Item& item : items_) {
        if (item.isRaw)
            continue;
        const ListGame& game = item.game;
        xml += "\t<" + element + " name=\"" + XmlText(game.name_) + "\"";
        if (game.bios_)
            xml += " isbios=\"yes\"";
        for (const ListGame::Entry& entry : game.entries_) {
            if (entry.kind == ListGame::Kind::CloneOf) {
                xml += " cloneof=\"" + XmlText(entry.text) + "\" romof=\"" + XmlText(entry.text) +
                       "\"";
            } else if (entry.kind == ListGame::Kind::SampleOf) {
                xml += " sampleof=\"" + XmlText(entry.text) + "\"";
            }
        }
        xml += ">\n\t\t<description>" + XmlText(game.description_) +
               "</description>\n\t\t<year>1983</year>\n\t\t<manufacturer>Test</manufacturer>\n";
        for (const ListGame::Entry& entry : game.entries_) {
            if (entry.kind == ListGame::Kind::Rom) {
                xml += "\t\t<rom name=\"" + XmlText(entry.text) + "\" size=\"" +
                       std::to_string(entry.size) + "\"" +
                       (entry.crc ? " crc=\"" + Hex8(*entry.crc) + "\"" : std::string()) +
                       " region=\"maincpu\" offset=\"0\"/>\n";
            } else if (entry.kind == ListGame::Kind::Sample) {
                xml += "\t\t<sample name=\"" + XmlText(WithoutWav(entry.text)) + "\"/>\n";
            } else if (entry.kind == ListGame::Kind::XmlLine) {
                xml += "\t\t" + entry.text + "\n";
            }
        }
        xml += "\t</" + element + ">\n";
    }
    xml += datafile ? "</datafile>\n" : "</mame>\n";
    return xml;
}

std::string WriteGzipFile(const std::string& path, const std::string& text) {
    WriteFile(path, "");
    gzFile out = gzopen(path.c_str(), "wb");
    if (out != nullptr) {
        gzwrite(out, text.data(), static_cast<unsigned>(text.size()));
        gzclose(out);
    }
    return path;
}

std::string ListBuilder::WriteTo(const std::string& path) const {
    return WriteFile(path, Text());
}

std::string ListBuilder::WriteXmlTo(const std::string& path, XmlStyle style) const {
    return WriteFile(path, Xml(style));
}

}  // namespace vextral::test
