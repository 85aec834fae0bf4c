#include "scanner/Statistics.h"

#include <gtest/gtest.h>

#include <string>

#include "support/FakeDialogs.h"

namespace vextral {
namespace {

class StatisticsTest : public ::testing::Test {
  protected:
    StatisticsTest() {
        counters.missingArcadeGames = 2;
        counters.missingNeoGeoGames = 1;
        counters.wrongCaseGames = 9;
        counters.missingArcadeRoms = 5;
        counters.missingNeoGeoRoms = 2;
        counters.wrongNames = 4;
        counters.wrongLengthRoms = 6;
        counters.wrongChecksums = 8;
        counters.missingSamples = 1;
        counters.unneededEntries = 5;
        counters.unneededEntriesFixed = 3;
        database.gameCount = 10;
        database.neoGeoGameCount = 2;
        database.arcadeGameCount = 8;
        database.neoGeoRomCount = 20;
        database.arcadeRomCount = 80;
        database.totalSampleCount = 5;
        database.badDumpCount = 3;
        database.parentCount = 4;
        database.cloneCount = 3;
    }
    StatisticsTexts Build() const { return BuildStatistics(counters, database, options); }

    ScanCounters counters;
    DatabaseCounts database;
    ScanOptions options;
};

TEST_F(StatisticsTest, DefaultOptionsInBothForms) {
    const StatisticsTexts texts = Build();
    EXPECT_EQ(texts.logText,
              "Missing Games:          3 of 10\r\n"
              "Missing Arcade Games:   2 of 8\r\n"
              "Missing NeoGeo Games:   1 of 2\r\n"
              "Wrong Spelled Games:    <n/a>\r\n"
              "\r\nMissing Roms:           7 of 100\r\n"
              "Missing Arcade Roms:    5 of 80\r\n"
              "Missing NeoGeo Roms:    2 of 20\r\n"
              "Wrong Named Roms:       4\r\n"
              "Wrong Spelled Roms:     <n/a>\r\n"
              "Wrong Sized Roms:       6\r\n"
              "Unavailable Checksums:  <n/a>\r\n"
              "Wrong Checksums:        8"
              "\r\nMissing Samples:        1 of 5\r\n"
              "Wrong Spelled Samples:  <n/a>\r\n"
              "\r\nUnneeded Files/Folders: 5\r\n"
              "\r\nNumber Of Games:        10"
              "\r\nNumber Of NeoGeo Games: 2"
              "\r\nNumber Of Arcade Games: 8"
              "\r\nNumber Of Parents:      4"
              "\r\nNumber Of Clones:       3"
              "\r\nNumber Of Others:       3"
              "\r\n\r\nNumber Of Roms:         100"
              "\r\nNumber Of Arcade Roms:  80"
              "\r\nNumber Of NeoGeo Roms:  20"
              "\r\n\r\nNumber Of Samples:      5"
              "\r\n\r\nNumber Of Bad Dumps:    3");
    const std::string& window = texts.windowText;
    EXPECT_NE(window.find("Wrong Sized Roms:\t\t6\r\nUnavailable Checksums:\t<n/a>\r\n"
                          "Wrong Checksums:\t\t8\r\nMissing Samples:\t\t1 of 5\r\n"),
              std::string::npos);
    EXPECT_TRUE(window.ends_with(
        "Unneeded Files/Folders:\t5\r\n\r\nNumber Of Games:\t\t10\r\nNumber Of NeoGeo Games:\t2"
        "\r\nNumber Of Arcade Games:\t8\r\nNumber Of Parents:\t\t4\r\nNumber Of Clones:\t\t3"
        "\r\nNumber Of Others:\t\t3\r\n\r\nNumber Of Roms:\t\t100\r\nNumber Of Arcade Roms:\t80"
        "\r\nNumber Of NeoGeo Roms:\t20\r\n\r\nNumber Of Samples:\t5\r\n\r\nNumber Of Bad "
        "Dumps:\t3"));
}

TEST_F(StatisticsTest, GamesOffShowsNotApplicableWithoutSubRows) {
    options.Games = false;
    options.Checksum = false;
    const std::string window = Build().windowText;
    EXPECT_EQ(window.substr(0, window.find("Missing Roms")),
              "Missing Games:\t\t<n/a>\r\nWrong Spelled Games:\t<n/a>\r\n\r\n");
    EXPECT_NE(window.find("Unavailable Checksums:\t<n/a>\r\nWrong Checksums:\t\t<n/a>\r\n"
                          "\r\nMissing Samples:"),
              std::string::npos);
}

TEST_F(StatisticsTest, NeoGeoSupportChoosesTheSubRows) {
    struct Case {
        bool neoGeo, exclusive;
        const char* gameRows;
        const char* romRows;
    };
    const Case cases[] = {
        {false, false, "Missing Games:\t\t3 of 10\r\nMissing Arcade Games:\t2 of 8\r\nWrong",
         "Missing Roms:\t\t7 of 100\r\nMissing Arcade Roms:\t5 of 80\r\nWrong"},
        {false, true, "Missing Games:\t\t3 of 10\r\nMissing NeoGeo Games:\t1 of 2\r\nWrong",
         "Missing Roms:\t\t7 of 100\r\nMissing NeoGeo Roms:\t2 of 20\r\nWrong"},
        {true, false,
         "Missing Games:\t\t3 of 10\r\nMissing Arcade Games:\t2 of 8\r\n"
         "Missing NeoGeo Games:\t1 of 2\r\nWrong",
         "Missing Roms:\t\t7 of 100\r\nMissing Arcade Roms:\t5 of 80\r\n"
         "Missing NeoGeo Roms:\t2 of 20\r\nWrong"},
    };
    for (const Case& c : cases) {
        options.NeoGeo = c.neoGeo;
        options.NeoGeoExclusive = c.exclusive;
        const std::string window = Build().windowText;
        EXPECT_EQ(window.rfind(c.gameRows, 0), 0u) << c.neoGeo << c.exclusive;
        EXPECT_NE(window.find(c.romRows), std::string::npos) << c.neoGeo << c.exclusive;
    }
}

TEST_F(StatisticsTest, FixedPartsFollowTheFixOptions) {
    options.FixUnneeded = true;
    options.FixName = true;
    options.Spelling = true;
    const StatisticsTexts texts = Build();
    EXPECT_NE(texts.logText.find("\r\nUnneeded Files/Folders: 5 [3 fixed]\r\n\r\nNumber Of Games"),
              std::string::npos);
    EXPECT_NE(texts.windowText.find("\r\nUnneeded Files/Folders:\t5\t[3 fixed]\r\n\r\nNumber"),
              std::string::npos);
    EXPECT_NE(texts.logText.find("Wrong Named Roms:       4 [0 fixed]\r\n"), std::string::npos);
    // Spelling is counted, but FixSpelling is off: no fixed part.
    EXPECT_NE(texts.logText.find("Wrong Spelled Games:    9\r\n"), std::string::npos);
}

TEST_F(StatisticsTest, ShowStatisticsKeepsTheLogFormAndShowsTheWindowForm) {
    test::FakeDialogs dialogs;
    const StatisticsTexts texts = Build();
    EXPECT_EQ(ShowStatistics(counters, database, options, dialogs), texts.logText);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, texts.windowText);
    EXPECT_EQ(dialogs.messages[0].caption, "Scanning Results");
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Information);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);
}

}  // namespace
}  // namespace vextral
