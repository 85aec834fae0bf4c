#pragma once

#include <string>
#include <vector>

namespace vextral {

// All writing of zip archives goes through here (libzip). Virtual so that tests can inject
// failures.
class ZipLibrary {
public:
    virtual ~ZipLibrary() = default;

    // True when the library is usable.
    virtual bool Load();
    // Safe to call twice.
    virtual void Release();

    // Removes the members with these stored names. An archive whose last member is deleted
    // is removed. False for an empty list, without touching the archive.
    [[nodiscard]] virtual bool DeleteMembers(const std::string& zipPath,
                                             const std::vector<std::string>& memberNames);
    // Adds files (creating the archive when missing), compressed at the highest level; with
    // junkPaths each is stored under its file name alone. A member of the same name is
    // replaced. False for an empty list, without touching the archive.
    [[nodiscard]] virtual bool AddFiles(const std::string& zipPath,
                                        const std::vector<std::string>& filePaths,
                                        bool junkPaths);

protected:
    bool loaded_ = false;
};

}  // namespace vextral
