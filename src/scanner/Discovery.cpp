#include "scanner/Discovery.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_set>

#include "database/ListReader.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "scanner/MameIni.h"

namespace vextral {

namespace {

using FoldedNameSet =
    std::unordered_set<std::string_view, CaseInsensitiveHash, CaseInsensitiveEqual>;

void ReadMameCfg(const std::string& mameFolder, ScanPaths& paths) {
    // The list reader's lines: a regular file only, and no line beyond its cap is kept.
    ListReader in;
    if (!in.Open(mameFolder + "mame.cfg"))
        return;

    std::string_view line;
    bool inSection = false;
    while (in.ReadLine(line) == 1) {
        if (line == "[directory]") {
            inSection = true;
            break;
        }
    }
    if (!inSection)
        return;

    while (in.ReadLine(line) == 1) {
        if (!line.empty() && line.front() == '[')
            break;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = TrimWhiteSpace(line.substr(0, equals));
        const std::string_view value = TrimWhiteSpace(line.substr(equals + 1));
        std::vector<std::string>& target = EqualsIgnoringCase(key, "rompath") ? paths.romList
                                           : EqualsIgnoringCase(key, "samplepath")
                                               ? paths.sampleList
                                               : paths.miscList;
        SplitList(value, target, kAppendPaths, mameFolder);
    }
}

}  // namespace

void SplitList(std::string_view text, std::vector<std::string>& list, SplitFlags flags,
               const std::string& base) {
    if (flags.clear)
        list.clear();

    std::vector<std::string> pieces;
    std::string_view rest = text;
    for (;;) {
        const auto semicolon = rest.find(';');
        const std::string_view raw = rest.substr(0, semicolon);
        // An empty piece ends the split: "a;;b" gives only "a".
        if (raw.empty())
            break;
        const std::string_view trimmed = TrimWhiteSpace(raw);
        // A blank piece names nothing; with a separator appended it would name the root.
        if (!trimmed.empty()) {
            std::string piece(trimmed);
            if (flags.appendSeparator && piece.back() != kSeparator)
                piece += kSeparator;
            pieces.push_back(std::move(piece));
        }
        if (semicolon == std::string_view::npos)
            break;
        rest = rest.substr(semicolon + 1);
    }

    if (!flags.existingFoldersOnly) {
        list.insert(list.end(), pieces.begin(), pieces.end());
        return;
    }
    // A folder that cannot be entered gives relative pieces no base: they count from where the
    // program runs.
    const bool fromBase = !base.empty() && IsFolder(base);
    for (std::string& piece : pieces) {
        if (fromBase && piece.front() != kSeparator)
            piece = JoinPath(base, piece);
        if (!IsFolder(piece))
            continue;
        std::string folder;
        if (flags.canonicalForm) {
            folder = CanonicalPath(piece);
        } else {
            std::error_code error;
            folder = std::filesystem::absolute(piece, error).lexically_normal().string();
            if (error)
                continue;
        }
        folder = WithSeparator(std::move(folder));
        // Two folders differing only in case are two folders here.
        if (std::find(list.begin(), list.end(), folder) != list.end())
            continue;
        list.push_back(std::move(folder));
    }
}

void ReadMameConfigPaths(const std::string& mameFolder,
                         const std::vector<std::string>& mameIniFolders, ScanPaths& paths) {
    if (!IsFolder(mameFolder))
        return;
    ReadMameCfg(mameFolder, paths);
    // Today's MAME keeps its paths in mame.ini instead; the first one found counts.
    std::vector<std::string> folders{mameFolder};
    folders.insert(folders.end(), mameIniFolders.begin(), mameIniFolders.end());
    if (const auto ini = ReadMameIni(folders)) {
        SplitList(ini->rompath, paths.romList, kAppendPaths, mameFolder);
        SplitList(ini->samplepath, paths.sampleList, kAppendPaths, mameFolder);
    }
}

bool PrepareScan(const GameDatabase& database, GameSelection& selection, const PathFields& fields,
                 const ScanConfig& config, ScanPaths& paths, FolderCache& folders, Dialogs& dialogs,
                 const std::function<void()>& onListsReady) {
    paths.miscList.clear();
    paths.romList.clear();
    paths.sampleList.clear();
    paths.chosenList.clear();
    SplitList(fields.misc, paths.miscList, kSplitPaths, config.mameFolder);
    SplitList(fields.sample, paths.sampleList, kSplitPaths, config.mameFolder);
    SplitList(fields.rom, paths.romList, kSplitPaths, config.mameFolder);
    SplitList(fields.select, paths.chosenList, kSplitSelection);

    SelectGames(database, selection, paths, config.options, folders);

    const auto listable = [&folders](const std::vector<std::string>& from,
                                     std::vector<std::string>& to) {
        to.clear();
        for (const std::string& folder : from) {
            if (folders.Listing(folder).Exists())
                to.push_back(folder);
        }
    };
    listable(paths.miscList, paths.miscFolders);
    listable(paths.romList, paths.romFolders);
    listable(paths.sampleList, paths.sampleFolders);

    if (onListsReady)
        onListsReady();

    if (!config.pathWarning || (paths.romList.empty() && paths.sampleList.empty()))
        return true;

    // Folded name indexes keep the check linear in folder entries plus games.
    FoldedNameSet romGames, sampleGames;
    for (const GameRecord& game : database) {
        if (game.romCount != 0)
            romGames.insert(game.name);
        if (game.sampleCount != 0)
            sampleGames.insert(game.name);
    }
    const auto holdsASet = [&folders](const std::string& folder, const FoldedNameSet& names) {
        const auto& entries = folders.Listing(folder).Entries();
        return std::any_of(entries.begin(), entries.end(), [&](const DirEntry& entry) {
            return names.contains(NameWithoutExtension(entry.name));
        });
    };

    bool result = true;
    const auto warn = [&](const std::string& text) {
        result = dialogs.ShowMessage(text, "Pathwarning", MessageIcon::Exclamation,
                                     MessageButtons::OkCancel) == MessageResult::Ok;
    };
    for (const std::string& folder : paths.romList) {
        if (!holdsASet(folder, romGames))
            warn("No roms found in rompath:\n\n" + folder);
    }
    for (const std::string& folder : paths.sampleList) {
        if (!holdsASet(folder, sampleGames))
            warn("No samples found in samplepath:\n\n" + folder);
    }
    return result;
}

void SelectGames(const GameDatabase& database, GameSelection& selection, const ScanPaths& paths,
                 const ScanOptions& options, FolderCache& folders) {
    std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual> chosenNames;
    for (const std::string& pattern : paths.chosenList) {
        const std::string zipPattern = pattern + ".zip";
        for (const auto* folderList : {&paths.romList, &paths.sampleList}) {
            for (const std::string& folder : *folderList) {
                for (const DirEntry& entry : folders.Listing(folder).Entries()) {
                    if (WildcardMatch(pattern, entry.name) ||
                        WildcardMatch(zipPattern, entry.name)) {
                        chosenNames.emplace(NameWithoutExtension(entry.name));
                    }
                }
            }
        }
    }

    const bool selectAll = chosenNames.empty();
    const std::size_t gameTotal = database.size();
    selection.resize(gameTotal);
    for (GameMarks& marks : selection)
        marks.selected = selectAll;
    if (selectAll)
        return;

    const bool merged = options.MergeFull || options.MergeSplit;
    for (std::size_t i = 0; i < gameTotal; ++i) {
        const GameRecord& game = database[i];
        if (!chosenNames.contains(game.name))
            continue;
        selection[i].selected = true;
        if (!merged)
            continue;
        if (game.isParent) {
            for (const CloneRef& clone : game.clones) {
                if (clone.index < gameTotal)
                    selection[clone.index].selected = true;
            }
        }
        if (game.isClone && game.parentIndex < gameTotal) {
            selection[game.parentIndex].selected = true;
        }
    }
}

bool PassesNeoGeoFilter(const GameRecord& game, const ScanOptions& options) {
    if (options.NeoGeoExclusive)
        return game.isNeoGeo;
    if (options.NeoGeo)
        return true;
    return !game.isNeoGeo;
}

std::string_view NameWithoutExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

}  // namespace vextral
