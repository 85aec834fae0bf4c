#pragma once
// The 24 option flags every operation reads, and the four program flags, with their
// defaults. The order of kScanOptionFields is the order of fastscan.dat.

#include <array>
#include <string_view>

namespace vextral {

struct ScanOptions {
    bool Missing = true;
    bool MissingAdvanced = false;
    bool Length = true;
    bool Spelling = false;
    bool Checksum = true;
    bool AvailChecksum = false;
    bool Unneeded = true;
    bool UnneededAdvanced = false;
    bool RightName = true;
    bool Games = true;
    bool Roms = true;
    bool Samples = true;
    bool FixLength = false;
    bool FixSpelling = false;
    bool FixUnneeded = false;
    bool FixName = false;
    bool Ask = true;
    bool NeoGeo = true;
    bool NeoGeoExclusive = false;
    bool Backup = true;
    bool Batchrun = false;
    bool AltSamples = true;
    bool MergeFull = false;
    bool MergeSplit = true;

    bool operator==(const ScanOptions&) const = default;
};

struct ScanOptionField {
    std::string_view name;
    bool ScanOptions::*member;
};

inline constexpr std::array<ScanOptionField, 24> kScanOptionFields{{
    {"Missing", &ScanOptions::Missing},
    {"MissingAdvanced", &ScanOptions::MissingAdvanced},
    {"Length", &ScanOptions::Length},
    {"Spelling", &ScanOptions::Spelling},
    {"Checksum", &ScanOptions::Checksum},
    {"AvailChecksum", &ScanOptions::AvailChecksum},
    {"Unneeded", &ScanOptions::Unneeded},
    {"UnneededAdvanced", &ScanOptions::UnneededAdvanced},
    {"RightName", &ScanOptions::RightName},
    {"Games", &ScanOptions::Games},
    {"Roms", &ScanOptions::Roms},
    {"Samples", &ScanOptions::Samples},
    {"FixLength", &ScanOptions::FixLength},
    {"FixSpelling", &ScanOptions::FixSpelling},
    {"FixUnneeded", &ScanOptions::FixUnneeded},
    {"FixName", &ScanOptions::FixName},
    {"Ask", &ScanOptions::Ask},
    {"NeoGeo", &ScanOptions::NeoGeo},
    {"NeoGeoExclusive", &ScanOptions::NeoGeoExclusive},
    {"Backup", &ScanOptions::Backup},
    {"Batchrun", &ScanOptions::Batchrun},
    {"AltSamples", &ScanOptions::AltSamples},
    {"MergeFull", &ScanOptions::MergeFull},
    {"MergeSplit", &ScanOptions::MergeSplit},
}};

}  // namespace vextral
