#pragma once
// Names and paths are bytes; Qt's widgets hold text. These convert so that every byte comes
// back: valid UTF-8 becomes its characters, any other byte a lone surrogate U+DC80..U+DCFF
// (shown as a replacement character, written back as the byte it stands for).

#include <QString>
#include <string>
#include <string_view>

namespace vextral {

QString TextFromBytes(std::string_view bytes);
std::string BytesFromText(const QString& text);

}  // namespace vextral
