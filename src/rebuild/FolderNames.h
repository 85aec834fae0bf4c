#pragma once
// The names in one folder, looked up ignoring case, kept up to date by the one run that
// changes the folder. A rebuild or merge touches thousands of sets in one folder; listing it
// again for every set would be quadratic.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/FileSystem.h"

namespace vextral {

class FolderNames {
  public:
    FolderNames() = default;
    // Lists the folder (with or without trailing separator).
    explicit FolderNames(const std::string& folder);

    // False when the folder could not be listed: it then seems empty, which it may not be.
    bool Listed() const { return listed_; }

    // The name as it is on disk: an entry of exactly this name wins, otherwise the first
    // match ignoring case in byte order. Only entries of the asked kind count.
    std::optional<std::string> FindFolder(std::string_view name) const;
    std::optional<std::string> FindFile(std::string_view name) const;
    // Whether any entry bears the name ignoring case, whatever its kind.
    bool Contains(std::string_view name) const;

    void Add(const std::string& name, bool isFolder);
    void Remove(std::string_view exactName);

  private:
    std::optional<std::string> Find(std::string_view name, bool wantFolder) const;
    // Folded name -> entries sorted by name.
    std::unordered_map<std::string, std::vector<DirEntry>> byFolded_;
    bool listed_ = true;
};

}  // namespace vextral
