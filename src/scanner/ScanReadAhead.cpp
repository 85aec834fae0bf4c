// What the scan will list, in its order, for the readers that work ahead of it.

#include "platform/Path.h"
#include "scanner/ReadAhead.h"
#include "scanner/Scanner.h"

namespace vextral {

void Scanner::StartReadAhead(const GameDatabase& database, const GameSelection& selection) {
    if (config.ioThreads <= 1)
        return;
    std::vector<ReadAheadItem> plan;
    const auto add = [&](const std::string& folder, const std::string& name, std::size_t position) {
        const FolderListing& listing = index_.Snapshot(folder);
        const DirEntry* setFolder = listing.Find(name);
        if (setFolder != nullptr && setFolder->isFolder) {
            plan.push_back(
                {ReadAheadItem::Kind::Folder, folder + setFolder->name + kSeparator, position});
        }
        const DirEntry* zip = listing.Find(name + ".zip");
        if (zip != nullptr && zip->IsFile())
            plan.push_back({ReadAheadItem::Kind::Archive, folder + zip->name, position});
    };
    const ScanOptions& options = config.options;
    for (std::size_t position = 0; position < database.size(); ++position) {
        const GameRecord& game = database[position];
        const GameMarks& marks = selection[position];
        if (!marks.selected || !marks.needsRescan || !PassesNeoGeoFilter(game))
            continue;
        if (options.Games || options.Roms) {
            for (const std::string& folder : paths.romList) {
                if ((options.MergeSplit || options.MergeFull) && game.isClone)
                    add(folder, game.cloneOf, position);
                add(folder, game.name, position);
            }
        }
        if (options.Samples) {
            for (const std::string& folder : paths.sampleList) {
                if (options.AltSamples && game.hasSampleOf)
                    add(folder, game.sampleOf, position);
                add(folder, game.name, position);
            }
        }
    }
    index_.StartReadAhead(std::move(plan), config.ioThreads);
}

}  // namespace vextral
