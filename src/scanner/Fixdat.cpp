#include "scanner/Fixdat.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/FileDescriptor.h"
#include "platform/FileSystem.h"

namespace vextral {

namespace {

std::string Hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// The length of the valid UTF-8 sequence at text[i], or 0 when there is none.
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    std::uint32_t low = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        low = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= low && code <= 0x10FFFF && !surrogate && code != 0xFFFE && code != 0xFFFF
               ? length
               : 0;
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

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string XmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            if (const std::size_t length = Utf8Length(text, i)) {
                out.append(text.substr(i, length));
                i += length - 1;
            } else {
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            }
            continue;
        }
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\t':
            case '\n':
            case '\r':
                out += static_cast<char>(c);
                break;
            default:
                out += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
        }
    }
    return out;
}

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

bool WriteFixdat(const std::string& path, const std::vector<FixdatGame>& games, std::time_t when) {
    const auto slash = path.rfind(kSeparator);
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (nameStart >= path.size())
        return false;
    const std::string temporary =
        path.substr(0, nameStart) + "." + path.substr(nameStart) + ".vxt-part";
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    const bool written = fd.Get() >= 0 && WriteAll(fd.Get(), FixdatText(games, when)) && fd.Close();
    if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) {
        (void)DeleteFile(temporary);
        return false;
    }
    return true;
}

}  // namespace vextral
