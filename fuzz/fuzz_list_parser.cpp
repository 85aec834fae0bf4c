// Parses an arbitrary file as a -listinfo text, links and validates what it gave, and checks
// what every later step relies on.

#include <unordered_set>

#include "FuzzSupport.h"
#include "database/DatabaseLinker.h"
#include "database/ListParser.h"

namespace {

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vextral::fuzz::Scratch scratch;
    vextral::NullDialogs dialogs;
    vextral::NullProgress progress;
    vextral::GameDatabase database;
    vextral::RomCrcList romCrcList;
    vextral::ListParseReport report;
    const bool read = vextral::ParseListFile(scratch.Write("input", data, size), database,
                                             romCrcList, progress, dialogs,
                                             /*listInfoWarnings=*/true, &report);
    // Text always reads; input that begins with markup is XML, which may fail, but then
    // with a reason and without half a list.
    if (!read) {
        Require(report.format != vextral::ListFormat::Text && !report.problem.empty() &&
                database.empty() && romCrcList.empty());
        return 0;
    }

    std::unordered_set<std::string> names;
    for (const vextral::GameRecord& game : database) {
        // Names become paths: only single plain file names may pass.
        Require(vextral::IsPlainFileName(game.name) && names.insert(game.name).second);
        Require(!game.hasSampleOf || vextral::IsPlainFileName(game.sampleOf));
        Require(game.romCount == game.roms.size() && game.sampleCount == game.samples.size());
        for (const vextral::RomRecord& rom : game.roms)
            Require(vextral::IsPlainFileName(rom.name) && rom.crcKnown == (rom.crc != 0));
        for (const vextral::SampleRecord& sample : game.samples)
            Require(vextral::IsPlainFileName(sample.name));
    }
    vextral::LinkGameDatabase(database, romCrcList);
    vextral::DatabaseCounts counts;
    vextral::ValidateGameDatabase(database, /*listInfoWarnings=*/true, counts, dialogs);
    Require(counts.gameCount == counts.neoGeoGameCount + counts.arcadeGameCount);
    for (const vextral::GameRecord& game : database)
        Require(!game.isClone || game.parentIndex < database.size());
    return 0;
}
