// Reads an arbitrary file as a game list, the way a list file given with --dat is read:
// told by its content, -listxml, an XML datfile or -listinfo text, plain or gzip. The XML
// reader also reads it in two halves at once.

#include "FuzzSupport.h"
#include "database/DatabaseLinker.h"
#include "database/GameListBuilder.h"
#include "database/ListParser.h"
#include "database/XmlListParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vextral::fuzz::Scratch scratch;
    const std::string path = scratch.Write("input", data, size);
    vextral::NullProgress progress;
    vextral::NullDialogs dialogs;

    vextral::GameDatabase database;
    vextral::RomCrcList crcs;
    if (vextral::ParseListFile(path, database, crcs, progress, dialogs,
                               /*listInfoWarnings=*/true) &&
        !database.empty()) {
        vextral::LinkGameDatabase(database, crcs);
        vextral::DatabaseCounts counts;
        vextral::ValidateGameDatabase(database, /*listInfoWarnings=*/true, counts, dialogs);
    }

    vextral::GameDatabase halves;
    vextral::RomCrcList halfCrcs;
    vextral::GameListBuilder builder(halves, halfCrcs, 0);
    (void)vextral::ParseXmlList(path, builder, progress, vextral::XmlListOptions{0});
    return 0;
}
