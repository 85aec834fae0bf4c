#include <variant>

#include "archive/FileUtils.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "scanner/Scanner.h"

namespace vextral {

namespace {

template <class... Steps>
struct Overloaded : Steps... {
    using Steps::operator()...;
};
// Clang 14 does not deduce an aggregate's template arguments by itself.
template <class... Steps>
Overloaded(Steps...) -> Overloaded<Steps...>;

}  // namespace

bool Scanner::ApplyFix(const GameRecord& game, GameFindings& findings, const FixRequest& request) {
    // A list of findings that is empty asks nothing and changes nothing.
    bool tried = true;
    const FixResult result = std::visit(
        Overloaded{
            [&](const SetSpellingFix& fix) {
                return fixer_.FixGameSpelling(fix.setPath, game, findings);
            },
            [&](const WrongNamesFix&) {
                tried = !findings.wrongNameList.empty();
                return fixer_.FixWrongNamedRoms(game, findings.wrongNameList);
            },
            [&](const RomSpellingFix& fix) {
                return fixer_.FixRomSpelling(fix.expectedPath, *fix.rom, *fix.finding, fix.inZip,
                                             *fix.members, fix.setPath, game);
            },
            [&](const SampleSpellingFix& fix) {
                return fixer_.FixSampleSpelling(fix.expectedPath, *fix.sample, *fix.finding,
                                                fix.inZip, *fix.members, fix.setPath, game);
            },
            [&](const RomResizeFix& fix) {
                return fixer_.ResizeRom(fix.filePath, game, *fix.rom, *fix.finding, fix.inZip,
                                        *fix.members);
            },
            [&](const UnneededRemoval&) {
                tried = !findings.unneededList.empty();
                return fixer_.RemoveUnneeded(game, findings.unneededList);
            },
            [&](const BackupRestore& fix) { return RestoreFile(fix); },
        },
        request.fix);
    for (const FileChange& change : result.changes) {
        index_.Invalidate(change.path);
        if (change.kind == ChangeKind::Renamed && change.member.empty())
            index_.Invalidate(change.newName);
        // A file or folder that appeared may have made its folder appear too.
        if (change.kind == ChangeKind::Added)
            index_.Invalidate(FolderPart(WithoutSeparator(change.path)));
    }
    // The check's own bound on what the fix may touch, for what no change names (a fix that
    // failed half way, a folder the system made on the way).
    if (tried) {
        if (request.changes.empty())
            index_.Reset();
        else
            index_.Invalidate(request.changes);
    }
    return result.Done();
}

FixResult Scanner::RestoreFile(const BackupRestore& fix) {
    FixResult result;
    if (fix.zipPath.empty()) {
        result.Add(ChangeKind::Added, fix.target);
        result.Finish(journal_->CopyFile(fix.source, fix.target, CopyMode::ReplaceExisting),
                      "the kept copy could not be copied back");
    } else {
        result.Add(ChangeKind::Added, fix.zipPath, FileNamePart(fix.source));
        result.Finish(journal_->AddFilesByName(zipLibrary_, fix.zipPath, {fix.source}),
                      "the kept copy could not be added to the archive");
    }
    // Written past the fixer: its folder's listing cannot have been told.
    index_.folders().Invalidate(FolderPart(fix.zipPath.empty() ? fix.target : fix.zipPath));
    return result;
}

}  // namespace vextral
