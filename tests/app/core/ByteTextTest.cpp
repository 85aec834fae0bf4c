#include "app/core/ByteText.h"

#include <gtest/gtest.h>

namespace vextral {
namespace {

TEST(ByteTextTest, EveryByteComesBackAndUtf8ReadsAsItsCharacters) {
    const std::string cases[] = {
        "/roms/plain",
        "/m\xc3\xbcsic/\xf0\x9f\x8e\xae",  // UTF-8, one character beyond 16 bits
        "/roms/r\xe9ms",                   // Latin-1
        "cut \xe2\x82",                    // a sequence cut short
        "overlong \xc0\xaf",
        "surrogate \xed\xa0\x80",
        "\xff\xfe\x80 mixed \xc3\xa9",
    };
    for (const std::string& bytes : cases) {
        const QString text = TextFromBytes(bytes);
        EXPECT_EQ(BytesFromText(text), bytes);
        const QString utf8 = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
        if (utf8.toUtf8().toStdString() == bytes) {
            EXPECT_EQ(text, utf8);
        }
    }
    // Text typed by the user is written as UTF-8.
    EXPECT_EQ(BytesFromText(QStringLiteral("caf\u00e9")), "caf\xc3\xa9");
}

}  // namespace
}  // namespace vextral
