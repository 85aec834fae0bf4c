#include <variant>

#include "archive/FileUtils.h"
#include "platform/FileSystem.h"
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

// What one fix did: whether it may have changed anything, and whether it was made.
struct FixOutcome {
    bool tried = true;
    bool made = true;
};

}  // namespace

bool Scanner::ApplyFix(GameRecord& game, const FixRequest& request) {
    const FixOutcome outcome = std::visit(
        Overloaded{
            [&](const SetSpellingFix& fix) {
                fixer_.FixGameSpelling(fix.setPath, game);
                return FixOutcome{};
            },
            [&](const WrongNamesFix&) {
                const bool anything = !game.wrongNameList.empty();
                fixer_.FixWrongNamedRoms(game);
                return FixOutcome{anything};
            },
            [&](const RomSpellingFix& fix) {
                fixer_.FixRomSpelling(fix.expectedPath, *fix.rom, fix.inZip, *fix.members,
                                      fix.setPath, game);
                return FixOutcome{};
            },
            [&](const SampleSpellingFix& fix) {
                fixer_.FixSampleSpelling(fix.expectedPath, *fix.sample, fix.inZip, *fix.members,
                                         fix.setPath, game);
                return FixOutcome{};
            },
            [&](const RomResizeFix& fix) {
                fixer_.ResizeRom(fix.filePath, game, *fix.rom, fix.inZip, *fix.members);
                return FixOutcome{};
            },
            [&](const UnneededRemoval&) {
                const bool anything = !game.unneededList.empty();
                fixer_.RemoveUnneeded(game);
                return FixOutcome{anything};
            },
            [&](const BackupRestore& fix) {
                const bool made =
                    fix.zipPath.empty()
                        ? CopyFileTo(fix.source, fix.target, CopyMode::ReplaceExisting)
                        : zipLibrary_.AddFiles(fix.zipPath, {fix.source}, /*junkPaths=*/true);
                // Written past the fixer: its folder's listing cannot have been told.
                index_.folders().Invalidate(
                    FolderPart(fix.zipPath.empty() ? fix.target : fix.zipPath));
                return FixOutcome{true, made};
            },
        },
        request.fix);
    if (outcome.tried) {
        if (request.changes.empty())
            index_.Reset();
        else
            index_.Invalidate(request.changes);
    }
    return outcome.made;
}

}  // namespace vextral
