#include "scanner/Statistics.h"

#include <cstdint>
#include <string>

#include "platform/Text.h"

namespace vextral {

namespace {

// Each label in its two forms: tab-aligned for the window, padded to 24 blanks for the log.
struct Label {
    const char* window;
    const char* log;
};

constexpr Label kMissingGames{"Missing Games:\t\t", "Missing Games:          "};
constexpr Label kMissingArcadeGames{"Missing Arcade Games:\t", "Missing Arcade Games:   "};
constexpr Label kMissingNeoGeoGames{"Missing NeoGeo Games:\t", "Missing NeoGeo Games:   "};
constexpr Label kWrongSpelledGames{"Wrong Spelled Games:\t", "Wrong Spelled Games:    "};
constexpr Label kMissingRoms{"\r\nMissing Roms:\t\t", "\r\nMissing Roms:           "};
constexpr Label kMissingArcadeRoms{"Missing Arcade Roms:\t", "Missing Arcade Roms:    "};
constexpr Label kMissingNeoGeoRoms{"Missing NeoGeo Roms:\t", "Missing NeoGeo Roms:    "};
constexpr Label kWrongNamedRoms{"Wrong Named Roms:\t", "Wrong Named Roms:       "};
constexpr Label kWrongSpelledRoms{"Wrong Spelled Roms:\t", "Wrong Spelled Roms:     "};
constexpr Label kWrongSizedRoms{"Wrong Sized Roms:\t\t", "Wrong Sized Roms:       "};
constexpr Label kUnavailableChecksums{"Unavailable Checksums:\t", "Unavailable Checksums:  "};
constexpr Label kWrongChecksums{"Wrong Checksums:\t\t", "Wrong Checksums:        "};
constexpr Label kMissingSamples{"\r\nMissing Samples:\t\t", "\r\nMissing Samples:        "};
constexpr Label kWrongSpelledSamples{"Wrong Spelled Samples:\t", "Wrong Spelled Samples:  "};
constexpr Label kUnneeded{"\r\nUnneeded Files/Folders:\t", "\r\nUnneeded Files/Folders: "};

constexpr Label kGames{"\r\nNumber Of Games:\t\t", "\r\nNumber Of Games:        "};
constexpr Label kNeoGeoGames{"\r\nNumber Of NeoGeo Games:\t", "\r\nNumber Of NeoGeo Games: "};
constexpr Label kArcadeGames{"\r\nNumber Of Arcade Games:\t", "\r\nNumber Of Arcade Games: "};
constexpr Label kParents{"\r\nNumber Of Parents:\t\t", "\r\nNumber Of Parents:      "};
constexpr Label kClones{"\r\nNumber Of Clones:\t\t", "\r\nNumber Of Clones:       "};
constexpr Label kOthers{"\r\nNumber Of Others:\t\t", "\r\nNumber Of Others:       "};
constexpr Label kRoms{"\r\n\r\nNumber Of Roms:\t\t", "\r\n\r\nNumber Of Roms:         "};
constexpr Label kArcadeRoms{"\r\nNumber Of Arcade Roms:\t", "\r\nNumber Of Arcade Roms:  "};
constexpr Label kNeoGeoRoms{"\r\nNumber Of NeoGeo Roms:\t", "\r\nNumber Of NeoGeo Roms:  "};
constexpr Label kSamples{"\r\n\r\nNumber Of Samples:\t", "\r\n\r\nNumber Of Samples:      "};
constexpr Label kBadDumps{"\r\n\r\nNumber Of Bad Dumps:\t", "\r\n\r\nNumber Of Bad Dumps:    "};

constexpr const char* kLineEnd = "\r\n";

// Builds the window and the log text side by side.
class TwoTexts {
  public:
    void Add(const Label& label) {
        texts_.windowText += label.window;
        texts_.logText += label.log;
    }
    void Add(const char* both) {
        texts_.windowText += both;
        texts_.logText += both;
    }
    void Add(std::int64_t number) { Add(std::to_string(number).c_str()); }

    void NotApplicable(const Label& label) {
        Add(label);
        Add("<n/a>\r\n");
    }
    void CountOf(const Label& label, std::int64_t count, std::int64_t total) {
        Add(label);
        Add(count);
        Add(" of ");
        Add(total);
        Add(kLineEnd);
    }
    // A count, its fixed part while the fix option is on, and the line end.
    void CountFixed(const Label& label, std::int64_t count, bool fixOption, std::int64_t fixed) {
        Add(label);
        Add(count);
        if (fixOption) {
            const std::string number = std::to_string(fixed);
            texts_.windowText += "\t[" + number + " fixed]";
            texts_.logText += " [" + number + " fixed]";
        }
        Add(kLineEnd);
    }
    void Total(const Label& label, std::int64_t count) {
        Add(label);
        Add(count);
    }

    StatisticsTexts Take() { return std::move(texts_); }

  private:
    StatisticsTexts texts_;
};

}  // namespace

StatisticsTexts BuildStatistics(const ScanCounters& c, const DatabaseCounts& d,
                                const ScanOptions& o) {
    using I = std::int64_t;
    TwoTexts t;
    const bool missingOn = o.Missing || o.MissingAdvanced;
    const bool arcadeRow = !o.NeoGeoExclusive;
    const bool neoGeoRow = o.NeoGeo || o.NeoGeoExclusive;

    if (o.Games && missingOn) {
        t.CountOf(kMissingGames, I{c.missingArcadeGames} + c.missingNeoGeoGames,
                  I{d.arcadeGameCount} + d.neoGeoGameCount);
        if (arcadeRow)
            t.CountOf(kMissingArcadeGames, c.missingArcadeGames, d.arcadeGameCount);
        if (neoGeoRow)
            t.CountOf(kMissingNeoGeoGames, c.missingNeoGeoGames, d.neoGeoGameCount);
    } else {
        t.NotApplicable(kMissingGames);
    }

    if (o.Games && o.Spelling) {
        t.CountFixed(kWrongSpelledGames, c.wrongCaseGames, o.FixSpelling, c.wrongCaseGamesFixed);
    } else {
        t.NotApplicable(kWrongSpelledGames);
    }

    if (o.Roms && missingOn) {
        t.CountOf(kMissingRoms, I{c.missingArcadeRoms} + c.missingNeoGeoRoms,
                  I{d.arcadeRomCount} + d.neoGeoRomCount);
        if (arcadeRow)
            t.CountOf(kMissingArcadeRoms, c.missingArcadeRoms, d.arcadeRomCount);
        if (neoGeoRow)
            t.CountOf(kMissingNeoGeoRoms, c.missingNeoGeoRoms, d.neoGeoRomCount);
    } else {
        t.NotApplicable(kMissingRoms);
    }

    if (o.Roms && o.RightName) {
        t.CountFixed(kWrongNamedRoms, c.wrongNames, o.FixName, c.wrongNamesFixed);
    } else {
        t.NotApplicable(kWrongNamedRoms);
    }
    if (o.Roms && o.Spelling) {
        t.CountFixed(kWrongSpelledRoms, c.wrongCaseRoms, o.FixSpelling, c.wrongCaseRomsFixed);
    } else {
        t.NotApplicable(kWrongSpelledRoms);
    }
    if (o.Roms && o.Length) {
        t.CountFixed(kWrongSizedRoms, c.wrongLengthRoms, o.FixLength, c.wrongLengthRomsFixed);
    } else {
        t.NotApplicable(kWrongSizedRoms);
    }
    if (o.Roms && o.AvailChecksum) {
        t.CountOf(kUnavailableChecksums, c.unavailableChecksums, d.badDumpCount);
    } else {
        t.NotApplicable(kUnavailableChecksums);
    }
    if (o.Roms && (o.Checksum || o.AvailChecksum)) {
        // No line end of its own: the next row begins with one.
        t.Total(kWrongChecksums, c.wrongChecksums);
    } else {
        t.NotApplicable(kWrongChecksums);
    }

    if (o.Samples && missingOn) {
        t.CountOf(kMissingSamples, c.missingSamples, d.totalSampleCount);
    } else {
        t.NotApplicable(kMissingSamples);
    }
    if (o.Samples && o.Spelling) {
        t.CountFixed(kWrongSpelledSamples, c.wrongCaseSamples, o.FixSpelling,
                     c.wrongCaseSamplesFixed);
    } else {
        t.NotApplicable(kWrongSpelledSamples);
    }
    if (o.Unneeded || o.UnneededAdvanced) {
        t.CountFixed(kUnneeded, c.unneededEntries, o.FixUnneeded, c.unneededEntriesFixed);
    } else {
        t.NotApplicable(kUnneeded);
    }

    t.Total(kGames, d.gameCount);
    t.Total(kNeoGeoGames, d.neoGeoGameCount);
    t.Total(kArcadeGames, d.arcadeGameCount);
    t.Total(kParents, d.parentCount);
    t.Total(kClones, d.cloneCount);
    t.Total(kOthers, I{d.gameCount} - d.parentCount - d.cloneCount);
    t.Total(kRoms, I{d.arcadeRomCount} + d.neoGeoRomCount);
    t.Total(kArcadeRoms, d.arcadeRomCount);
    t.Total(kNeoGeoRoms, d.neoGeoRomCount);
    t.Total(kSamples, d.totalSampleCount);
    t.Total(kBadDumps, d.badDumpCount);
    return t.Take();
}

std::string ShowStatistics(const ScanCounters& counters, const DatabaseCounts& database,
                           const ScanOptions& options, Dialogs& dialogs) {
    StatisticsTexts texts = BuildStatistics(counters, database, options);
    dialogs.ShowMessage(texts.windowText, "Scanning Results", MessageIcon::Information,
                        MessageButtons::Ok);
    return std::move(texts.logText);
}

}  // namespace vextral
