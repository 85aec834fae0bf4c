// Reads an arbitrary file as fastscan.dat for a list of as many games as its first four
// bytes ask (up to a few thousand); whatever is read is written and read back unchanged.

#include "FuzzSupport.h"
#include "app/core/FastScanSnapshot.h"

namespace {

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

constexpr std::uint32_t kMaxGames = 4096;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vextral::fuzz::Scratch scratch;
    std::uint32_t games = 0;
    for (std::size_t i = 0; i < 4 && i < size; ++i)
        games |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    vextral::GameDatabase database;
    database.games.resize(games <= kMaxGames ? games : kMaxGames);

    vextral::FastScanSnapshot snapshot;
    vextral::GameSelection selection;
    if (!vextral::ReadFastScanFile(scratch.Write("input", data, size), snapshot, database,
                                   selection))
        return 0;
    Require(selection.size() == database.size());
    Require(vextral::WriteFastScanFile(scratch.Path("again"), snapshot, database, selection));
    vextral::FastScanSnapshot again;
    vextral::GameSelection sameMarks;
    Require(vextral::ReadFastScanFile(scratch.Path("again"), again, database, sameMarks));
    Require(again.fields.misc == snapshot.fields.misc && again.fields.rom == snapshot.fields.rom &&
            again.fields.sample == snapshot.fields.sample &&
            again.fields.select == snapshot.fields.select && again.options == snapshot.options &&
            again.fastScanAvailable == snapshot.fastScanAvailable);
    for (std::size_t i = 0; i < database.size(); ++i)
        Require(sameMarks[i].needsRescan == selection[i].needsRescan);
    return 0;
}
