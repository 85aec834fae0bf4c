#pragma once
// The backup folder: one sub-folder per set holding what the fixes took out of it. A copy
// never replaces an earlier one; it takes the first free numbered name instead. A file whose
// name (or a numbered variant of it) already holds the same data is not kept twice. Copies
// count once their length and CRC-32 are those of the source.

#include <optional>
#include <string>

#include "fixer/ChangeJournal.h"

namespace vextral {

class BackupStore {
  public:
    // Every file and folder the store makes is a change of journal, when given.
    explicit BackupStore(const std::string& programFolder, ChangeJournal* journal = nullptr)
        : programFolder_(programFolder) {
        journal_.Set(journal);
    }

    // programFolder + "backup.vxt/" + setName + "/", created when missing; nothing when it
    // cannot be made (or something that is not a folder stands in its place).
    [[nodiscard]] std::optional<std::string> SetFolder(const std::string& setName) const;

    // Moves a file into the set's folder under name or a free numbered variant of it.
    // Returns where it went.
    [[nodiscard]] std::optional<std::string> MoveFileIn(const std::string& file,
                                                        const std::string& setName,
                                                        const std::string& name) const;
    // Copies a file, or a folder with everything in it, into the set's folder under name or a
    // free numbered variant. Nothing unless every file was copied and every folder listed;
    // nothing for a folder that holds the program folder.
    [[nodiscard]] std::optional<std::string> CopyIn(const std::string& source,
                                                    const std::string& setName,
                                                    const std::string& name) const;

    // "readme.txt" for 0, "readme (1).txt", "readme (2).txt" ... after it; the number goes
    // before the last extension so that the copy still opens as what it is.
    static std::string NumberedName(const std::string& name, unsigned number);

    // Copies the contents of source into the folder target, each copy checked by size and
    // CRC-32; false when anything that holds data could not be copied, a folder among them
    // could not be listed whole. Links to folders are not followed.
    [[nodiscard]] static bool CopyFolderContents(const std::string& source,
                                                 const std::string& target, ChangeJournal& journal);

  private:
    const std::string& programFolder_;
    mutable JournalSlot journal_;
};

}  // namespace vextral
