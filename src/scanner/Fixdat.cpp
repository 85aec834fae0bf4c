#include "scanner/Fixdat.h"

#include <cstdio>

#include "platform/Text.h"

namespace vextral {

namespace {

std::string Hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// The sample's name as XML writes it: without the ".wav" the text format adds.
std::string SampleName(const std::string& file) {
    constexpr std::string_view kWav = ".wav";
    if (file.size() > kWav.size() && std::string_view(file).ends_with(kWav))
        return file.substr(0, file.size() - kWav.size());
    return file;
}

// Appends name="value" with a blank before it. Appending piece by piece also keeps GCC 12
// at -O3 from a false -Wrestrict warning about concatenated temporaries.
void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
    out.append(" ").append(name).append("=\"").append(XmlText(value)).append("\"");
}

void AppendElement(std::string& out, std::string_view indent, std::string_view name,
                   std::string_view text) {
    out.append(indent).append("<").append(name).append(">");
    out.append(XmlText(text)).append("</").append(name).append(">\n");
}

}  // namespace

std::string FixdatText(const std::vector<FixdatGame>& games, std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char date[16];
    char version[32];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    std::strftime(version, sizeof version, "%Y%m%d-%H%M%S", &local);

    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<datafile>\n\t<header>\n";
    AppendElement(text, "\t\t", "name", "Vextral fixdat");
    AppendElement(text, "\t\t", "description", "Missing ROMs and samples found by Vextral");
    AppendElement(text, "\t\t", "version", version);
    AppendElement(text, "\t\t", "date", date);
    text.append("\t</header>\n");
    for (const FixdatGame& game : games) {
        text.append("\t<game");
        AppendAttribute(text, "name", game.name);
        if (!game.cloneOf.empty()) {
            AppendAttribute(text, "cloneof", game.cloneOf);
            AppendAttribute(text, "romof", game.cloneOf);
        }
        text.append(">\n");
        AppendElement(text, "\t\t", "description", game.description);
        for (const FixdatRom& rom : game.roms) {
            text.append("\t\t<rom");
            AppendAttribute(text, "name", rom.name);
            AppendAttribute(text, "size", std::to_string(rom.size));
            // A crc of 0 given in the list is written; none at all stays none.
            if (rom.crc != 0 || rom.complementedCrc != 0)
                AppendAttribute(text, "crc", Hex8(rom.crc));
            text.append("/>\n");
        }
        for (const std::string& sample : game.samples) {
            text.append("\t\t<sample");
            AppendAttribute(text, "name", SampleName(sample));
            text.append("/>\n");
        }
        text.append("\t</game>\n");
    }
    text.append("</datafile>\n");
    return text;
}

}  // namespace vextral
