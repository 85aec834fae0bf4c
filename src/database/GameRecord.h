#pragma once
// The game list in memory. Fields marked per-scan are reset and filled by the scanner and
// the fixer; the database never reads them.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipEntry.h"

namespace vextral {

struct CloneRef {
    std::string name;
    std::uint32_t index = 0;  // the clone's database index
};

struct RomRecord {
    std::string name;
    std::uint32_t size = 0;
    std::uint32_t crc = 0;
    std::uint32_t complementedCrc = 0;  // ~crc when the list gives a crc, else 0
    // per-scan
    bool found = false;
    bool lengthOk = false;
    bool nameCaseOk = false;
    bool crcOk = false;
    bool crcKnown = false;  // crc is not 0
    bool lengthFixed = false;
    bool caseFixed = false;
    bool encryptedMember = false;  // found as an encrypted zip member: never a good ROM
    std::string foundName;
    std::uint64_t foundLength = 0;  // a zip64 member or a loose file may pass 4 GiB
    std::uint32_t foundCrc = 0;
    std::uint32_t zipIndex = 0;
    std::vector<std::string> otherNames;  // same crc and size elsewhere in the list
    std::string lookupName;               // per-scan
};

struct SampleRecord {
    std::string name;
    // per-scan
    bool found = false;
    bool nameCaseOk = false;
    bool caseFixed = false;
    std::uint32_t zipIndex = 0;
    std::string foundName;
};

// One unneeded file, folder or zip member found in a set or a configured folder.
struct UnneededEntry {
    std::string path;     // for a member: the zip's location + separator + member name
    std::string setName;  // the game's name, or "_unknown"
    bool removed = false;
    bool isFolder = false;
    bool inZip = false;
    std::string zipPath;
    std::string memberName;  // the member's stored name
    ZipEntry entry;
    bool pendingZipRemoval = false;
    // Holds a listed ROM's data under a wrong name while that ROM has no copy under its right
    // name: never removed until the rename is made.
    bool awaitsRename = false;
};

// A file of a set whose data belongs to a ROM of another name.
struct WrongNameEntry {
    std::string wrongName;
    std::string rightName;
    std::string path;  // set location + separator + wrongName
    bool fixed = false;
    bool inZip = false;
    std::string memberName;
    ZipEntry entry;
};

struct GameRecord {
    std::string description;
    std::string name;
    std::vector<RomRecord> roms;        // sorted by name, exact byte order
    std::vector<SampleRecord> samples;  // sorted by name, exact byte order
    std::uint32_t romCount = 0;
    std::uint32_t sampleCount = 0;
    bool hasSampleOf = false;
    bool isClone = false;
    bool isParent = false;
    bool isNeoGeo = false;
    // per-scan
    bool setFound = false;
    bool setNameOk = false;
    bool setNameFixed = false;
    std::string sampleOf;
    std::string cloneOf;
    std::string foundSetName;  // per-scan
    std::uint32_t parentIndex = 0;
    bool selected = true;     // per-scan
    bool needsRescan = true;  // per-scan
    std::vector<CloneRef> clones;
    std::vector<UnneededEntry> unneededList;    // per-scan
    std::vector<WrongNameEntry> wrongNameList;  // per-scan
};

}  // namespace vextral
