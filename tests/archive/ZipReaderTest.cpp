#include "archive/ZipReader.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "support/FakeDialogs.h"
#include "support/TempFolder.h"
#include "support/ZipBuilder.h"

namespace vextral::test {
namespace {

// "m" and the number, appended: GCC 12 at -O3 takes "literal" + std::string for an
// overlapping copy (a false -Wrestrict).
std::string MemberName(int number) {
    std::string name = "m";
    name += std::to_string(number);
    return name;
}

class ZipReaderTest : public ::testing::Test {
  protected:
    bool List(const std::string& path, bool requireZipExtension = false, bool reportErrors = true) {
        return ZipReader(dialogs).ReadZipDirectory(path, entries, requireZipExtension,
                                                   reportErrors);
    }
    std::vector<std::string> StoredNames() const {
        std::vector<std::string> names;
        for (const ZipEntry& entry : entries)
            names.push_back(entry.storedName);
        return names;
    }

    TempFolder temp;
    FakeDialogs dialogs;
    std::vector<ZipEntry> entries;
};

TEST_F(ZipReaderTest, ListsMembersInFileOrderWithHeaderFields) {
    const std::string data = std::string(500, 'x') + "tail";
    ZipBuilder builder;
    builder.Add("a.rom", "hello").AddDeflated("roms/abc.bin", data).AddFolder("roms/");
    builder.Last().extra = "";
    builder.AddFolder("other\\").Add("A.ROM", "again").Add("a.rom", "dup");
    builder.Last().extra = std::string(7, '\x01');
    const std::string path = builder.Write(temp / "set.zip");

    ASSERT_TRUE(List(path));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"a.rom", "roms/abc.bin", "A.ROM", "a.rom"}));

    const ZipEntry& stored = entries[0];
    EXPECT_EQ(stored.name, "a.rom");
    EXPECT_EQ(stored.zipPath, path);
    EXPECT_EQ(stored.crc, CrcOf("hello"));
    EXPECT_EQ(stored.size, 5u);
    EXPECT_EQ(stored.compressedSize, 5u);
    EXPECT_EQ(stored.dataOffset, 30u + 5u);
    EXPECT_EQ(stored.method, 0);

    const ZipEntry& deflated = entries[1];
    EXPECT_EQ(deflated.name, "abc.bin");
    EXPECT_EQ(deflated.method, 8);
    EXPECT_EQ(deflated.size, data.size());
    EXPECT_EQ(deflated.compressedSize, DeflateRaw(data).size());
    EXPECT_EQ(deflated.dataOffset, 35u + 5u + 30u + 12u);

    // The offset lies behind the extra field.
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.substr(entries[3].dataOffset, 3), "dup");
}

TEST_F(ZipReaderTest, ExtensionCheckAndMissingFileFailSilently) {
    const std::string bytes = ZipBuilder().Add("a", "1").Bytes();
    WriteFile(temp / "upper.ZIP", bytes);
    WriteFile(temp / "other.7z", bytes);
    entries.resize(3);

    EXPECT_FALSE(List(temp / "other.7z", /*requireZipExtension=*/true));
    EXPECT_TRUE(entries.empty());
    EXPECT_TRUE(List(temp / "upper.ZIP", /*requireZipExtension=*/true));
    EXPECT_TRUE(List(temp / "other.7z", /*requireZipExtension=*/false));
    EXPECT_FALSE(List(temp / "zip", /*requireZipExtension=*/true));

    entries.resize(2);
    EXPECT_FALSE(List(temp / "missing.zip"));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(List(temp.Path()));  // a folder is no archive either
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ZipReaderTest, NonArchivesShowBothMessagesOnlyWhenAsked) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"text.zip", "This is a plain text file, long enough to fill several headers.\n"},
        {"tiny.zip", "PK"},
        {"empty-file.zip", ""},
        {"no-members.zip", ZipBuilder().Bytes()},
        {"prefixed.zip", ZipBuilder().Add("a", "1").Prefix("junk").Bytes()},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const std::string path = WriteFile(temp / name, bytes);
        dialogs.messages.clear();
        EXPECT_FALSE(List(path));
        EXPECT_TRUE(entries.empty());
        ASSERT_EQ(dialogs.messages.size(), 2u);
        EXPECT_EQ(dialogs.messages[0].text, "Unsupported Zipformat In File:\n\n" + path);
        EXPECT_EQ(dialogs.messages[1].text, "Corrupt Zipfile:\n\n" + path);
        for (const RecordedMessage& message : dialogs.messages) {
            EXPECT_EQ(message.caption, "Vextral");
            EXPECT_EQ(message.icon, MessageIcon::Exclamation);
            EXPECT_EQ(message.buttons, MessageButtons::Ok);
        }

        dialogs.messages.clear();
        EXPECT_FALSE(List(path, false, /*reportErrors=*/false));
        EXPECT_TRUE(dialogs.messages.empty());
    }
}

TEST_F(ZipReaderTest, DataDescriptorsWithAndWithoutSignatureAreSteppedOver) {
    ZipBuilder builder;
    builder.Add("plain.bin", "abcdef");
    builder.Last().descriptor = Descriptor::Plain;
    builder.AddDeflated("signed.bin", std::string(300, 'q'));
    builder.Last().descriptor = Descriptor::Signed;
    builder.Add("empty.bin", "");
    builder.Last().descriptor = Descriptor::Signed;
    builder.Last().streamed = true;  // zero sizes, and truly empty: still walkable
    builder.Add("after.bin", "z").AddDeflated("unknown.bin", "data");
    builder.Last().method = 6;

    ASSERT_TRUE(List(builder.Write(temp / "d.zip")));
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"plain.bin", "signed.bin", "empty.bin",
                                                       "after.bin", "unknown.bin"}));
    EXPECT_EQ(entries[4].method, 6);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ZipReaderTest, DescriptorWhoseCrcLooksLikeASignatureIsTwelveBytes) {
    ZipBuilder builder;
    builder.Add("odd.bin", "abc");
    builder.Last().descriptor = Descriptor::Plain;
    builder.Last().crc = 0x08074b50;  // the descriptor starts with the signature's bytes
    builder.Add("next.bin", "n");
    ASSERT_TRUE(List(builder.Write(temp / "odd.zip")));
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"odd.bin", "next.bin"}));
}

TEST_F(ZipReaderTest, UnwalkableArchivesEndAsCorruptKeepingEarlierMembers) {
    ZipBuilder streamed;
    streamed.Add("first.bin", "1").AddDeflated("streamed.bin", std::string(100, 's'));
    streamed.Last().descriptor = Descriptor::Plain;
    streamed.Last().streamed = true;
    streamed.Add("last.bin", "3");

    ZipBuilder tooLong;
    tooLong.Add("first.bin", "1").Add("huge.bin", "2");
    tooLong.Last().compressedSize = 0xfffffff0u;

    ZipBuilder noEnd;
    noEnd.Add("first.bin", "1").TruncateAt(30 + 9 + 1);  // the central directory is gone

    for (const auto& [name, builder] :
         {std::pair{"streamed.zip", streamed}, std::pair{"too-long.zip", tooLong},
          std::pair{"no-end.zip", noEnd}}) {
        SCOPED_TRACE(name);
        dialogs.messages.clear();
        const std::string path = builder.Write(temp / name);
        EXPECT_FALSE(List(path));
        EXPECT_EQ(StoredNames(), std::vector<std::string>{"first.bin"});
        EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{"Corrupt Zipfile:\n\n" + path});
    }
}

TEST_F(ZipReaderTest, TruncatedAnywhereFailsCleanlyWithAPrefixOfTheMembers) {
    ZipBuilder builder;
    builder.Add("one.bin", "first member").AddDeflated("dir/two.bin", std::string(2000, 't'));
    builder.Last().descriptor = Descriptor::Signed;
    builder.Add("three.bin", "3");
    const std::string full = builder.Bytes();
    ASSERT_TRUE(List(builder.Write(temp / "full.zip")));
    const std::vector<ZipEntry> all = entries;

    // Only the end record's signature is read, so cuts in the rest of it still list.
    const std::size_t firstComplete = full.size() - 22 + 4;
    const std::string path = temp / "cut.zip";
    for (std::size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        WriteFile(path, full.substr(0, length));
        dialogs.messages.clear();
        EXPECT_EQ(List(path), length >= firstComplete);
        ASSERT_LE(entries.size(), all.size());
        for (std::size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].storedName, all[i].storedName);
            EXPECT_EQ(entries[i].dataOffset, all[i].dataOffset);
        }
        if (length < firstComplete) {
            ASSERT_FALSE(dialogs.messages.empty());
            EXPECT_EQ(dialogs.messages.back().text, "Corrupt Zipfile:\n\n" + path);
        }
    }
}

TEST_F(ZipReaderTest, BytesAfterTheEndRecordAreIgnored) {
    ZipBuilder builder;
    builder.Add("a.bin", "a").Trailing(std::string(100000, '\xff'));
    ASSERT_TRUE(List(builder.Write(temp / "trailing.zip")));
    EXPECT_EQ(StoredNames(), std::vector<std::string>{"a.bin"});
}

TEST_F(ZipReaderTest, ArchivesLargerThanOneReadAreWalkedThrough) {
    // Members bigger than the reader's buffer, headers spread across several reads.
    ZipBuilder builder;
    for (int i = 0; i < 40; ++i) {
        builder.Add(MemberName(i) + ".bin",
                    std::string(7000 + i * 13, static_cast<char>('a' + i % 26)));
    }
    builder.Add(std::string(200, 'n'), "long name");
    ASSERT_TRUE(List(builder.Write(temp / "big.zip")));
    ASSERT_EQ(entries.size(), 41u);
    const std::string bytes = ReadFile(temp / "big.zip");
    for (const ZipEntry& entry : entries) {
        EXPECT_EQ(CrcOf(bytes.substr(entry.dataOffset, entry.size)), entry.crc) << entry.name;
    }
}

TEST_F(ZipReaderTest, Zip64RecordsWrittenByHand) {
    constexpr std::uint64_t kBeyond4GiB = (std::uint64_t{5} << 30) + 3;
    ZipBuilder builder;
    builder.Add("plain.bin", "sizes in the extra field");
    builder.Last().zip64 = true;
    builder.Add("signed.bin", "descriptor with signature");
    builder.Last().zip64 = true;
    builder.Last().descriptor = Descriptor::Signed;
    builder.Add("unsigned.bin", "descriptor without one");
    builder.Last().zip64 = true;
    builder.Last().descriptor = Descriptor::Plain;
    builder.AddDeflated("huge.bin", "claims more than 4 GiB");
    builder.Last().zip64 = true;
    builder.Last().size = kBeyond4GiB;
    builder.Add("classic.bin", "no zip64 here");
    const std::string path = builder.Write(temp / "zip64.zip");

    ASSERT_TRUE(List(path));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(StoredNames(), (std::vector<std::string>{"plain.bin", "signed.bin", "unsigned.bin",
                                                       "huge.bin", "classic.bin"}));
    EXPECT_EQ(entries[3].size, kBeyond4GiB);
    EXPECT_EQ(entries[3].compressedSize, DeflateRaw("claims more than 4 GiB").size());
    // Each stored member's data lies behind its zip64 extra field and descriptor.
    const std::string bytes = ReadFile(path);
    for (const std::size_t i : {0u, 1u, 2u, 4u}) {
        EXPECT_EQ(CrcOf(bytes.substr(entries[i].dataOffset, entries[i].size)), entries[i].crc)
            << entries[i].name;
    }
}

TEST_F(ZipReaderTest, Zip64ArchiveWrittenByLibzipListsEveryMember) {
    // More members than the classic end record can count: libzip adds the zip64 end record
    // and its locator.
    constexpr int kMembers = 65536 + 2;
    const std::string path = temp / "many.zip";
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &error);
    ASSERT_NE(archive, nullptr);
    for (int i = 0; i < kMembers; ++i) {
        zip_source_t* source = zip_source_buffer(archive, "x", 1, 0);
        const zip_int64_t index = zip_file_add(archive, MemberName(i).c_str(), source, 0);
        ASSERT_GE(index, 0);
        ASSERT_EQ(
            zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0),
            0);
    }
    ASSERT_EQ(zip_close(archive), 0);

    ASSERT_TRUE(List(path));
    EXPECT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kMembers));
    EXPECT_EQ(entries.back().name, MemberName(kMembers - 1));
    EXPECT_EQ(entries.back().size, 1u);
}

}  // namespace
}  // namespace vextral::test
