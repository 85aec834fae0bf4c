// The XML list formats against the text format, and what XML alone can get wrong.

#include "database/XmlListParser.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

#include "database/DatabaseLinker.h"
#include "database/ListParser.h"
#include "support/FakeDialogs.h"
#include "support/FakeProgress.h"
#include "support/ListBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

struct Loaded {
    bool ok = false;
    GameDatabase database;
    ListParseReport report;
    DatabaseCounts counts;
    test::FakeDialogs dialogs;
    test::FakeProgress progress;
};

// Parses, links and validates with the warnings shown.
void Load(Loaded& loaded, const std::string& path) {
    RomCrcList crcs;
    loaded.ok = ParseListFile(path, loaded.database, crcs, loaded.progress, loaded.dialogs,
                              /*listInfoWarnings=*/true, &loaded.report);
    if (!loaded.ok)
        return;
    LinkGameDatabase(loaded.database, crcs);
    ValidateGameDatabase(loaded.database, true, loaded.counts, loaded.dialogs);
}

// Every field the list gives, one line per record.
std::string Dump(const GameDatabase& database) {
    std::ostringstream out;
    for (const std::string& bios : database.biosSets)
        out << "bios " << bios << "\n";
    for (const GameRecord& g : database) {
        out << g.name << " [" << g.description << "] clone=" << g.isClone << ":" << g.cloneOf
            << " parent=" << g.isParent << " sampleof=" << g.hasSampleOf << ":" << g.sampleOf
            << " neogeo=" << g.isNeoGeo << " roms=" << g.romCount << " samples=" << g.sampleCount
            << " parentIndex=" << g.parentIndex << " clones=" << g.clones.size() << "\n";
        for (const RomRecord& r : g.roms) {
            out << "  rom " << r.name << " " << r.size << " " << std::hex << r.crc << " "
                << r.complementedCrc << std::dec << " " << r.crcKnown << " other:";
            for (const std::string& other : r.otherNames)
                out << " " << other;
            out << "\n";
        }
        for (const SampleRecord& s : g.samples)
            out << "  sample " << s.name << "\n";
    }
    return out.str();
}

// A list with a bit of everything the mapping must carry over alike.
test::ListBuilder MixedList() {
    test::ListBuilder list;
    list.Game("neogeo", "Neo-Geo").Bios().Rom("sp-s2.sp1", 131072, 0x9036D879);
    list.Game("orb", "Orb & <Fighters> (set 1)")
        .Rom("o.1", 131072, 0x9036D879)
        .Rom("O.1", 16, 0x1)  // the same name ignoring case: dropped
        .Rom("nodump.2", 512)
        .Rom("zero.3", 64, 0)
        .Rom("../up", 4, 0x5)  // not a file name: dropped with a warning
        .Sample("shot.wav")
        .Sample("boom.wav");
    list.Game("orbj", "Orb Fighters (Japan)")
        .CloneOf("orb")
        .SampleOf("orb")
        .Rom("oj.1", 131072, 0x9036D879)
        .Rom("o-copy.1", 16, 0x1)
        .Sample("shot.wav");
    list.Game("24c01", "24C01 I2C Memory");  // a device: no ROM, no sample
    list.Game("orb", "Orb again");           // a name seen before
    list.Game("lost", "Lost").CloneOf("nowhere").Rom("l.1", 8, 0xABCDEF01);
    list.Game("twin", "Lost").Rom("t.1", 8, 0xABCDEF01);  // a description seen before
    return list;
}

TEST(XmlListParserTest, SameListInEveryFormatGivesTheSameRecordsCountsAndWarnings) {
    test::TempFolder folder;
    const test::ListBuilder list = MixedList();
    const std::string xml = list.Xml(test::XmlStyle::MameMachines);
    struct Case {
        const char* label;
        std::string path;
        ListFormat format;
    };
    const std::vector<Case> cases{
        {"text", list.WriteTo(folder / "list.dat"), ListFormat::Text},
        {"text, gzip", test::WriteGzipFile(folder / "list.gz", list.Text()), ListFormat::Text},
        {"-listxml", list.WriteXmlTo(folder / "list.xml"), ListFormat::MameXml},
        {"-listxml, older <game>", list.WriteXmlTo(folder / "old.xml", test::XmlStyle::MameGames),
         ListFormat::MameXml},
        {"datfile", list.WriteXmlTo(folder / "list.xdat", test::XmlStyle::Datafile),
         ListFormat::Datafile},
        {"-listxml, gzip, byte order mark, leading blank lines",
         test::WriteGzipFile(folder / "xml.gz", "\xEF\xBB\xBF\n  \n" + xml.substr(xml.find('\n'))),
         ListFormat::MameXml},
    };
    Loaded reference;
    Load(reference, cases[0].path);
    ASSERT_TRUE(reference.ok);
    ASSERT_EQ(reference.database.size(), 5u);  // the BIOS is no game; one "orb" dropped
    ASSERT_EQ(reference.database.biosSets, std::vector<std::string>{"neogeo"});
    ASSERT_EQ(reference.report.warnings.size(), 3u);
    EXPECT_EQ(reference.dialogs.messages.size(), 4u);  // and validation's "IS NOT A Clone"

    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Loaded loaded;
        Load(loaded, c.path);
        ASSERT_TRUE(loaded.ok) << loaded.report.problem;
        EXPECT_EQ(loaded.report.format, c.format);
        EXPECT_EQ(Dump(loaded.database), Dump(reference.database));
        EXPECT_EQ(loaded.report.warnings, reference.report.warnings);
        EXPECT_EQ(loaded.dialogs.MessageTexts(), reference.dialogs.MessageTexts());
        EXPECT_EQ(std::tie(loaded.counts.gameCount, loaded.counts.neoGeoGameCount,
                           loaded.counts.arcadeRomCount, loaded.counts.totalSampleCount,
                           loaded.counts.badDumpCount, loaded.counts.parentCount,
                           loaded.counts.cloneCount),
                  std::tie(reference.counts.gameCount, reference.counts.neoGeoGameCount,
                           reference.counts.arcadeRomCount, reference.counts.totalSampleCount,
                           reference.counts.badDumpCount, reference.counts.parentCount,
                           reference.counts.cloneCount));
    }
}

TEST(XmlListParserTest, EntitiesCdataElementValuesAndWhatIsSkipped) {
    test::TempFolder folder;
    const std::string path = test::WriteFile(
        folder / "list.xml",
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
        "<!DOCTYPE datafile [<!ENTITY maker \"Pixel &amp; Co\">]>\n"
        "<datafile>\n"
        " <header><name>not a game</name><description>Header</description></header>\n"
        " <game name=\"caf\xE9\" sampleof=\"other\">\n"
        "  <description><![CDATA[Caf\xE9 <Deluxe> & \"more\"]]></description>\n"
        "  <manufacturer>&maker;</manufacturer>\n"
        "  <rom name=\"a&amp;b.bin\" size=\"0x10\" crc=\"0Xab\" status=\"baddump\"/>\n"
        "  <rom name=\"none.bin\" status=\"nodump\"/>\n"
        "  <disk name=\"hdd\" sha1=\"0123\"/>\n"
        "  <device_ref name=\"z80\"/>\n"
        "  <part><rom name=\"deep.bin\" size=\"1\" crc=\"1\"/></part>\n"
        "  <sample name=\"one\"/>\n"
        "  <sample name=\"two.wav\"/>\n"
        " </game>\n"
        " <machine>\n"
        "  <name>elem</name><cloneof>caf\xE9</cloneof>\n"
        "  <description>First</description><description>Second  </description>\n"
        " </machine>\n"
        "</datafile>\n");
    Loaded loaded;
    Load(loaded, path);
    ASSERT_TRUE(loaded.ok) << loaded.report.problem;
    EXPECT_EQ(loaded.report.format, ListFormat::Datafile);
    ASSERT_EQ(loaded.database.size(), 2u);
    const GameRecord& cafe = loaded.database[0];
    EXPECT_EQ(cafe.name, "caf\xC3\xA9");  // decoded to UTF-8
    EXPECT_EQ(cafe.description, "Caf\xC3\xA9 <Deluxe> & \"more\"");
    EXPECT_EQ(cafe.sampleOf, "other");
    ASSERT_EQ(cafe.romCount, 2u);
    EXPECT_EQ(cafe.roms[0].name, "a&b.bin");
    EXPECT_EQ(cafe.roms[0].size, 0u);  // "0x10" is no decimal size
    EXPECT_EQ(cafe.roms[0].crc, 0xABu);
    EXPECT_EQ(cafe.roms[1].name, "none.bin");
    EXPECT_EQ(cafe.roms[1].complementedCrc, 0u);  // no crc at all
    ASSERT_EQ(cafe.sampleCount, 2u);
    EXPECT_EQ(cafe.samples[0].name, "one.wav");
    EXPECT_EQ(cafe.samples[1].name, "two.wav");
    const GameRecord& elem = loaded.database[1];
    EXPECT_EQ(elem.name, "elem");
    EXPECT_EQ(elem.description, "Second");  // the later value, trailing blanks cut
    EXPECT_EQ(elem.cloneOf, "caf\xC3\xA9");
    EXPECT_TRUE(loaded.dialogs.messages.empty());
}

TEST(XmlListParserTest, MalformedXmlGivesOneProblemNamingItsPlaceAndNoHalfList) {
    test::TempFolder folder;
    // Duplicates before the fault: their warnings must not be shown for a list not read.
    test::ListBuilder list;
    list.Game("a", "Same").Rom("a.1", 4, 0x1);
    list.Game("b", "Same").Rom("b.1", 4, 0x2);
    const std::string good = list.Xml();
    const std::string head = good.substr(0, good.rfind("</mame>"));
    struct Case {
        const char* label;
        std::string text;
        std::string where;
    };
    const std::vector<Case> cases{
        {"truncated", good.substr(0, good.size() - 12), "line 14, column 2."},
        {"mismatched tag", head + "\t<machine name=\"c\"></game>\n</mame>\n",
         "line 15, column 22."},
        {"undefined entity", head + "\t<machine name=\"&nope;\"/>\n</mame>\n",
         "line 15, column 2."},
        {"binary", head + std::string("\t<\x01\x02\x00\xFF>\n", 8), "line 15, column 3."},
        {"wrong root", "<?xml version=\"1.0\"?>\n<softwarelists>\n</softwarelists>\n",
         "line 2, column 1."},
        // Held whole by the reader until it ends: refused rather than read into memory.
        {"markup beyond 1 MiB",
         head + "\t<machine name=\"" + std::string(2 << 20, 'x') + "\"/>\n</mame>\n",
         "longer than 1 MB at line 15"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Loaded loaded;
        Load(loaded, test::WriteFile(folder / "bad.xml", c.text));
        EXPECT_FALSE(loaded.ok);
        EXPECT_NE(loaded.report.problem.find(c.where), std::string::npos) << loaded.report.problem;
        EXPECT_TRUE(loaded.database.empty());
        EXPECT_TRUE(loaded.database.biosSets.empty());
        EXPECT_TRUE(loaded.dialogs.messages.empty());
    }
}

TEST(XmlListParserTest, StopEndsTheReadingWithoutAProblem) {
    test::TempFolder folder;
    test::ListBuilder list;
    list.Game("a", "A").Rom("a.1", 4, 0x1);
    list.Game("b", "B").Rom("b.1", 4, 0x2);
    Loaded loaded;
    loaded.progress.stopOnCall = 1;
    Load(loaded, list.WriteXmlTo(folder / "list.xml"));
    EXPECT_FALSE(loaded.ok);
    EXPECT_TRUE(loaded.report.stopped);
    EXPECT_TRUE(loaded.report.problem.empty());
    EXPECT_EQ(loaded.progress.upper, 1000);
}

struct Direct {
    XmlListResult result;
    GameDatabase database;
    std::vector<ListWarning> warnings;
};

Direct ReadXml(const std::string& path, std::uint64_t splitFrom) {
    Direct direct;
    RomCrcList crcs;
    GameListBuilder builder(direct.database, crcs, 0);
    NullProgress progress;
    direct.result = ParseXmlList(path, builder, progress, XmlListOptions{splitFrom});
    direct.warnings = builder.TakeWarnings();
    return direct;
}

// A large file is read in two halves at once; whatever lies at the middle, the outcome is
// that of reading it whole.
TEST(XmlListParserTest, ReadingInHalvesGivesWhatReadingWholeGives) {
    test::TempFolder folder;
    test::ListBuilder list;
    for (int i = 0; i < 300; ++i) {
        list.Game("g" + std::to_string(i), "Game " + std::to_string(i % 290))
            .Rom("r" + std::to_string(i), 16, 0x1000u + static_cast<unsigned>(i));
    }
    const std::string xml = list.Xml();
    const std::size_t middle = xml.find("\t<machine name=\"g150\"");
    // The split is looked for from the middle on: a long run before a start tag makes it
    // land on that tag.
    const std::string padding(80000, 'x');
    const auto around = [&](const std::string& inserted) {
        return xml.substr(0, middle) + inserted + xml.substr(middle);
    };
    struct Case {
        const char* label;
        std::string text;
        bool inHalves;
    };
    const std::vector<Case> cases{
        {"games only", xml, true},
        {"a comment holding a start tag at the middle",
         around("<!-- " + padding + "<machine name=\"ghost\"> -->\n"), false},
        {"CDATA holding a start tag at the middle",
         around("\t<machine name=\"cd\"><description><![CDATA[" + padding +
                "<game x]]></description></machine>\n"),
         false},
        {"a fault in the second half", xml.substr(0, xml.size() - 20), false},
        {"a fault in the first half", around("<broken"), false},
    };
    for (const auto& [label, text, inHalves] : cases) {
        SCOPED_TRACE(label);
        const std::string path = test::WriteFile(folder / "list.xml", text);
        const Direct whole = ReadXml(path, UINT64_MAX);
        const Direct halves = ReadXml(path, 0);
        EXPECT_EQ(halves.result.readInHalves, inHalves);
        ASSERT_EQ(halves.result.ok, whole.result.ok);
        EXPECT_EQ(halves.result.problem, whole.result.problem);
        if (whole.result.ok) {
            EXPECT_EQ(halves.database.size(), whole.database.size());
            EXPECT_TRUE(Dump(halves.database) == Dump(whole.database));
            EXPECT_EQ(halves.warnings, whole.warnings);
        }
    }
    const Direct games = ReadXml(test::WriteFile(folder / "games.xml", xml), 0);
    EXPECT_EQ(games.database.size(), 300u);
    EXPECT_EQ(games.warnings.size(), 10u);  // the descriptions repeated
}

}  // namespace
}  // namespace vextral
