#include "scanner/GameVerdict.h"

namespace vextral {

namespace {

FixMark Mark(bool fixOption, bool fixed) {
    if (!fixOption)
        return FixMark::None;
    return fixed ? FixMark::Fixed : FixMark::NotFixed;
}

}  // namespace

FindingLine UnneededLine(const UnneededEntry& entry, std::size_t index,
                         const ScanOptions& options) {
    return {FindingKind::Unneeded, index, Mark(options.FixUnneeded, entry.removed), kImageUnneeded};
}

GameVerdict ClassifyGame(const GameRecord& game, const GameFindings& found, const ScanOptions& o) {
    const bool missingOn = o.Missing || o.MissingAdvanced;
    const bool unneededOn = o.Unneeded || o.UnneededAdvanced;
    GameVerdict verdict;
    auto& lines = verdict.lines;

    if (o.Games) {
        // A game that lists no ROM and no sample (a device, say) needs no set: its absence
        // is no finding, and a set found for it is checked as any other.
        const bool needsSet = !game.roms.empty() || !game.samples.empty();
        verdict.missingGame = !found.setFound && needsSet && missingOn;
        if (found.setFound && !found.setNameOk && o.Spelling) {
            lines.push_back(
                {FindingKind::SetCase, 0, Mark(o.FixSpelling, found.setNameFixed), kImageSetCase});
        }
        if (verdict.missingGame)
            lines.push_back({FindingKind::MissingGame, 0, FixMark::None, kImageMissingGame});
    }

    if (o.Roms) {
        if (o.RightName) {
            for (std::size_t i = 0; i < found.wrongNameList.size(); ++i) {
                lines.push_back({FindingKind::WrongName, i,
                                 Mark(o.FixName, found.wrongNameList[i].fixed), kImageWrongName});
            }
        }
        for (std::size_t i = 0; i < found.roms.size(); ++i) {
            const RomFinding& rom = found.roms[i];
            if (!rom.found) {
                if (missingOn)
                    lines.push_back({FindingKind::MissingRom, i, FixMark::None, kImageMissingRom});
                continue;
            }
            if (!rom.lengthOk && o.Length) {
                lines.push_back({FindingKind::WrongLength, i, Mark(o.FixLength, rom.lengthFixed),
                                 kImageWrongLength});
            }
            if (!rom.nameCaseOk && o.Spelling) {
                lines.push_back(
                    {FindingKind::RomCase, i, Mark(o.FixSpelling, rom.caseFixed), kImageRomCase});
            }
            if (rom.encryptedMember) {
                lines.push_back(
                    {FindingKind::EncryptedMember, i, FixMark::None, kImageWrongChecksum});
            } else if (rom.crcKnown) {
                if (!rom.crcOk && (o.Checksum || o.AvailChecksum)) {
                    lines.push_back(
                        {FindingKind::WrongChecksum, i, FixMark::None, kImageWrongChecksum});
                }
            } else if (o.AvailChecksum) {
                lines.push_back({FindingKind::UnavailableChecksum, i, FixMark::None,
                                 kImageUnavailableChecksum});
            }
        }
    }

    if (o.Samples) {
        for (std::size_t i = 0; i < found.samples.size(); ++i) {
            const SampleFinding& sample = found.samples[i];
            if (sample.found && !sample.nameCaseOk && o.Spelling) {
                lines.push_back({FindingKind::SampleCase, i, Mark(o.FixSpelling, sample.caseFixed),
                                 kImageSampleCase});
            }
            if (!sample.found && missingOn) {
                lines.push_back(
                    {FindingKind::MissingSample, i, FixMark::None, kImageMissingSample});
            }
        }
    }

    if (unneededOn) {
        for (std::size_t i = 0; i < found.unneededList.size(); ++i)
            lines.push_back(UnneededLine(found.unneededList[i], i, o));
    }
    return verdict;
}

}  // namespace vextral
