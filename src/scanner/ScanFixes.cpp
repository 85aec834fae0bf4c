#include <variant>

#include "scanner/Scanner.h"

namespace vextral {

namespace {

template <class... Steps>
struct Overloaded : Steps... {
    using Steps::operator()...;
};

}  // namespace

void Scanner::ApplyFix(GameRecord& game, const FixRequest& request) {
    // True when the fix may have changed something.
    const bool tried =
        std::visit(Overloaded{
                       [&](const SetSpellingFix& fix) {
                           fixer_.FixGameSpelling(fix.setPath, game);
                           return true;
                       },
                       [&](const WrongNamesFix&) {
                           const bool anything = !game.wrongNameList.empty();
                           fixer_.FixWrongNamedRoms(game);
                           return anything;
                       },
                       [&](const RomSpellingFix& fix) {
                           fixer_.FixRomSpelling(fix.expectedPath, *fix.rom, fix.inZip,
                                                 *fix.members, fix.setPath, game);
                           return true;
                       },
                       [&](const SampleSpellingFix& fix) {
                           fixer_.FixSampleSpelling(fix.expectedPath, *fix.sample, fix.inZip,
                                                    *fix.members, fix.setPath, game);
                           return true;
                       },
                       [&](const RomResizeFix& fix) {
                           fixer_.ResizeRom(fix.filePath, game, *fix.rom, fix.inZip, *fix.members);
                           return true;
                       },
                       [&](const UnneededRemoval&) {
                           const bool anything = !game.unneededList.empty();
                           fixer_.RemoveUnneeded(game);
                           return anything;
                       },
                   },
                   request.fix);
    if (!tried)
        return;
    if (request.changes.empty())
        index_.Reset();
    else
        index_.Invalidate(request.changes);
}

}  // namespace vextral
