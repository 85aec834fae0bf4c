#include "scanner/Scanner.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <unordered_set>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "database/ListReader.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "scanner/MameIni.h"

namespace vextral {

namespace {

using FoldedNameSet =
    std::unordered_set<std::string_view, CaseInsensitiveHash, CaseInsensitiveEqual>;

// The name up to its last '.'; a name without '.' stays whole.
std::string_view NameWithoutExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

// The path split at its last separator: folder (ending with it) and last component.
std::pair<std::string, std::string> SplitLast(const std::string& path) {
    const auto slash = path.rfind(kSeparator);
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

}  // namespace

Scanner::Scanner(Dialogs& dialogs, Progress& progress, ResultSink& results, ZipLibrary& zipLibrary)
    : dialogs_(dialogs),
      progress_(progress),
      results_(results),
      zipLibrary_(zipLibrary),
      zipReader_(dialogs),
      fixer_(dialogs_, consent, zipLibrary_, options, programFolder, scratchFolder, folders_) {}

void Scanner::SplitList(std::string_view text, std::vector<std::string>& list, SplitFlags flags) {
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
    for (const std::string& piece : pieces) {
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

void Scanner::ReadMameConfigPaths(const std::string& mameFolder) {
    if (!SetCurrentFolder(mameFolder))
        return;
    ReadMameCfg(mameFolder);
    // Today's MAME keeps its paths in mame.ini instead; the first one found counts.
    std::vector<std::string> folders{mameFolder};
    folders.insert(folders.end(), mameIniFolders.begin(), mameIniFolders.end());
    if (const auto ini = ReadMameIni(folders)) {
        SplitList(ini->rompath, romList, kAppendPaths);
        SplitList(ini->samplepath, sampleList, kAppendPaths);
    }
}

void Scanner::ReadMameCfg(const std::string& mameFolder) {
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
        std::vector<std::string>& target = EqualsIgnoringCase(key, "rompath")      ? romList
                                           : EqualsIgnoringCase(key, "samplepath") ? sampleList
                                                                                   : miscList;
        SplitList(value, target, kAppendPaths);
    }
}

bool Scanner::PrepareScan(GameDatabase& database, const PathFields& fields) {
    miscList.clear();
    romList.clear();
    sampleList.clear();
    chosenList.clear();
    SplitList(fields.misc, miscList, kSplitPaths);
    SplitList(fields.sample, sampleList, kSplitPaths);
    SplitList(fields.rom, romList, kSplitPaths);
    SplitList(fields.select, chosenList, kSplitSelection);

    romCount = static_cast<std::uint32_t>(romList.size());
    sampleCount = static_cast<std::uint32_t>(sampleList.size());
    miscCount = static_cast<std::uint32_t>(miscList.size());
    chosenCount = static_cast<std::uint32_t>(chosenList.size());

    SelectGames(database);

    const auto listable = [this](const std::vector<std::string>& from,
                                 std::vector<std::string>& to) {
        to.clear();
        for (const std::string& folder : from) {
            if (folders_.Listing(folder).Exists())
                to.push_back(folder);
        }
    };
    listable(miscList, miscFolders);
    listable(romList, romFolders);
    listable(sampleList, sampleFolders);

    if (onListsReady)
        onListsReady();

    if (!pathWarning || (romList.empty() && sampleList.empty()))
        return true;

    // Folded name indexes keep the check linear in folder entries plus games.
    FoldedNameSet romGames, sampleGames;
    for (const GameRecord& game : database) {
        if (game.romCount != 0)
            romGames.insert(game.name);
        if (game.sampleCount != 0)
            sampleGames.insert(game.name);
    }
    const auto holdsASet = [this](const std::string& folder, const FoldedNameSet& names) {
        const auto& entries = folders_.Listing(folder).Entries();
        return std::any_of(entries.begin(), entries.end(), [&](const DirEntry& entry) {
            return names.contains(NameWithoutExtension(entry.name));
        });
    };

    bool result = true;
    const auto warn = [&](const std::string& text) {
        result = dialogs_.ShowMessage(text, "Pathwarning", MessageIcon::Exclamation,
                                      MessageButtons::OkCancel) == MessageResult::Ok;
    };
    for (const std::string& folder : romList) {
        if (!holdsASet(folder, romGames))
            warn("No roms found in rompath:\n\n" + folder);
    }
    for (const std::string& folder : sampleList) {
        if (!holdsASet(folder, sampleGames))
            warn("No samples found in samplepath:\n\n" + folder);
    }
    return result;
}

void Scanner::SelectGames(GameDatabase& database) {
    std::unordered_set<std::string, CaseInsensitiveHash, CaseInsensitiveEqual> chosenNames;
    for (const std::string& pattern : chosenList) {
        const std::string zipPattern = pattern + ".zip";
        for (const auto* folderList : {&romList, &sampleList}) {
            for (const std::string& folder : *folderList) {
                for (const DirEntry& entry : folders_.Listing(folder).Entries()) {
                    if (WildcardMatch(pattern, entry.name) ||
                        WildcardMatch(zipPattern, entry.name)) {
                        chosenNames.emplace(NameWithoutExtension(entry.name));
                    }
                }
            }
        }
    }

    const bool selectAll = chosenNames.empty();
    for (GameRecord& game : database)
        game.selected = selectAll;
    if (selectAll)
        return;

    const bool merged = options.MergeFull || options.MergeSplit;
    const std::size_t gameTotal = database.size();
    for (GameRecord& game : database) {
        if (!chosenNames.contains(game.name))
            continue;
        game.selected = true;
        if (!merged)
            continue;
        if (game.isParent) {
            for (const CloneRef& clone : game.clones) {
                if (clone.index < gameTotal)
                    database[clone.index].selected = true;
            }
        }
        if (game.isClone && game.parentIndex < gameTotal) {
            database[game.parentIndex].selected = true;
        }
    }
}

bool Scanner::SetExists(const std::string& location, GameRecord& game) {
    const auto [folder, leaf] = SplitLast(location);
    if (leaf.empty())
        return false;
    const DirEntry* entry = folders_.Find(folder, leaf);
    if (entry == nullptr || !entry->isFolder) {
        entry = folders_.Find(folder, leaf + ".zip");
        if (entry == nullptr || !entry->IsFile())
            return false;
    }
    game.setFound = true;
    return true;
}

bool Scanner::FileExistsInSet(const std::string& filePath, bool verify, std::uint32_t crc,
                              std::uint32_t size) {
    const auto [setFolder, fileName] = SplitLast(filePath);
    if (setFolder.size() < 2 || fileName.empty())
        return false;
    const std::string setLocation = setFolder.substr(0, setFolder.size() - 1);
    const auto [parent, setName] = SplitLast(setLocation);

    bool answer = false;
    const DirEntry* zip = folders_.Find(parent, setName + ".zip");
    if (zip != nullptr && zip->IsFile()) {
        if (const auto members = ListSetZipKept(parent + zip->name)) {
            const auto member = std::find_if(members->begin(), members->end(),
                                             [&name = fileName](const ZipEntry& candidate) {
                                                 return EqualsIgnoringCase(candidate.name, name);
                                             });
            answer =
                member != members->end() &&
                (!verify || (member->crc == crc && member->size == size && !member->encrypted));
        }
    }

    const DirEntry* folder = folders_.Find(parent, setName);
    if (folder == nullptr || !folder->isFolder)
        return answer;
    const std::string resolvedFolder = parent + folder->name + kSeparator;
    const DirEntry* loose = folders_.Find(resolvedFolder, fileName);
    if (loose == nullptr || !loose->IsFile())
        return answer;
    if (!verify)
        return true;
    std::uint64_t length = 0;
    const std::uint32_t looseCrc = FileCrc(resolvedFolder + loose->name, &length);
    return looseCrc == crc && length == size;
}

bool Scanner::PassesNeoGeoFilter(const GameRecord& game) const {
    if (options.NeoGeoExclusive)
        return game.isNeoGeo;
    if (options.NeoGeo)
        return true;
    return !game.isNeoGeo;
}

}  // namespace vextral
