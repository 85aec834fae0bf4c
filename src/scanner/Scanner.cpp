#include "scanner/Scanner.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "archive/Crc32.h"
#include "archive/FileUtils.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "scanner/Statistics.h"

namespace vextral {

namespace {

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
      zipLibrary_(zipLibrary),
      zipReader_(dialogs),
      fixer_(dialogs_, consent_, zipLibrary_, config.options, config.programFolder,
             config.scratchFolder, index_.folders()),
      report_(results) {}

bool Scanner::PrepareScan(const GameDatabase& database, GameSelection& selection,
                          const PathFields& fields) {
    return vextral::PrepareScan(database, selection, fields, config, paths, index_.folders(),
                                dialogs_, onListsReady_);
}

bool Scanner::SetExists(const std::string& location, GameFindings& findings) {
    const auto [folder, leaf] = SplitLast(location);
    if (leaf.empty())
        return false;
    const DirEntry* entry = index_.Find(folder, leaf);
    if (entry == nullptr || !entry->isFolder) {
        entry = index_.Find(folder, leaf + ".zip");
        if (entry == nullptr || !entry->IsFile())
            return false;
    }
    findings.setFound = true;
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
    const DirEntry* zip = index_.Find(parent, setName + ".zip");
    if (zip != nullptr && zip->IsFile()) {
        if (const auto members = index_.SetZipMembers(parent + zip->name)) {
            const auto member = std::find_if(members->begin(), members->end(),
                                             [&name = fileName](const ZipEntry& candidate) {
                                                 return EqualsIgnoringCase(candidate.name, name);
                                             });
            answer =
                member != members->end() &&
                (!verify || (member->crc == crc && member->size == size && !member->encrypted));
        }
    }

    const DirEntry* folder = index_.Find(parent, setName);
    if (folder == nullptr || !folder->isFolder)
        return answer;
    const std::string resolvedFolder = parent + folder->name + kSeparator;
    const DirEntry* loose = index_.Find(resolvedFolder, fileName);
    if (loose == nullptr || !loose->IsFile())
        return answer;
    if (!verify)
        return true;
    std::uint64_t length = 0;
    const std::uint32_t looseCrc = FileCrc(resolvedFolder + loose->name, &length);
    return looseCrc == crc && length == size;
}

void Scanner::ShowStatistics() {
    report_.SetStatisticsText(vextral::ShowStatistics(report_.counters(), config.databaseCounts,
                                                      config.options, dialogs_));
}

void Scanner::SaveLogFile() {
    const bool withStatistics =
        dialogs_.ShowMessage("Do you want to add the statistics to the logfile ?",
                             "Save Statistics ?", MessageIcon::Question,
                             MessageButtons::YesNo) == MessageResult::Yes;
    const auto path = dialogs_.ChooseSaveFile("Vextral Logfile (*.txt)|*.txt||", ".txt");
    if (!path || path->empty())
        return;
    // A log the user believes saved but is not is a lost report: say so, and why.
    std::string failure;
    if (!report_.WriteLogFile(*path, withStatistics, &failure)) {
        dialogs_.ShowMessage("Can't write the logfile '" + *path + "':\n" + failure, "Save Logfile",
                             MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void Scanner::SaveFixdat() {
    const auto path = dialogs_.ChooseSaveFile("Fixdat (*.dat)|*.dat||", ".dat");
    if (!path || path->empty())
        return;
    std::string failure;
    if (!report_.WriteFixdatFile(*path, &failure)) {
        dialogs_.ShowMessage("Can't write the fixdat '" + *path + "':\n" + failure, "Save Fixdat",
                             MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

}  // namespace vextral
