#pragma once
// Texts from outside (descriptions, paths, list lines) printed on a terminal: every byte is
// shown, and none can cut the text short (NUL) or act on the terminal (escape sequences).

#include <string>
#include <string_view>

namespace vextral {

enum class LineBreaks { Keep, Escape };

// Control characters and DEL written as "\0" or "\xHH"; tabs stay, and line feeds stay
// unless asked to be escaped (on a one-line display).
std::string TerminalText(std::string_view text, LineBreaks lineBreaks);

}  // namespace vextral
