#pragma once
// What one scan found for one game, kept beside the game list (whose records stay as loaded).
// The ROM and sample findings are indexed like the game's roms and samples.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/ZipEntry.h"

namespace vextral {

struct RomFinding {
    bool found = false;
    bool lengthOk = false;
    bool nameCaseOk = false;
    bool crcOk = false;
    bool crcKnown = false;  // its checksum was judged and the ROM's crc is not 0
    bool lengthFixed = false;
    bool caseFixed = false;
    bool encryptedMember = false;  // found as an encrypted zip member: never a good ROM
    std::string foundName;
    std::uint64_t foundLength = 0;  // a zip64 member or a loose file may pass 4 GiB
    std::uint32_t foundCrc = 0;
    std::uint32_t zipIndex = 0;
    std::string lookupName;  // the name it was found under: its own or one of its otherNames
};

struct SampleFinding {
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

struct GameFindings {
    bool setFound = false;
    bool setNameOk = false;
    bool setNameFixed = false;
    std::string foundSetName;
    std::vector<RomFinding> roms;
    std::vector<SampleFinding> samples;
    std::vector<UnneededEntry> unneededList;
    std::vector<WrongNameEntry> wrongNameList;
};

}  // namespace vextral
