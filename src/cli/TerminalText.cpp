#include "cli/TerminalText.h"

namespace vextral {

std::string TerminalText(std::string_view text, LineBreaks lineBreaks) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool keep = byte >= 0x20 ? byte != 0x7f
                                       : c == '\t' || (c == '\n' && lineBreaks == LineBreaks::Keep);
        if (keep) {
            shown += c;
        } else if (byte == 0) {
            shown += "\\0";
        } else {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xf];
        }
    }
    return shown;
}

}  // namespace vextral
