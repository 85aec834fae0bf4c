#pragma once

#include <memory>
#include <string>
#include <vector>

#include "archive/ZipTransaction.h"

namespace vextral {

enum class ZipOpenMode { Existing, CreateWhenMissing };

// All writing of zip archives goes through here (libzip), one transaction per change of an
// archive. Virtual so that tests can inject failures at any step.
class ZipLibrary {
  public:
    virtual ~ZipLibrary() = default;

    // True when the library is usable.
    virtual bool Load();
    // Safe to call twice.
    virtual void Release();

    // Opens the archive for one transaction; never null (IsOpen says whether it opened).
    // The library writes the new archive in a work folder beside it, so that what a killed
    // process leaves behind bears a name of ours; opening an archive removes such leftovers.
    [[nodiscard]] virtual std::unique_ptr<ZipTransaction> Open(const std::string& zipPath,
                                                               ZipOpenMode mode);

    // Adds files in one transaction (creating the archive when missing), compressed at the
    // highest level; with junkPaths each is stored under its file name alone. A name the
    // archive already holds fails the call: nothing is replaced. False for an empty list,
    // without touching the archive.
    [[nodiscard]] bool AddFiles(const std::string& zipPath,
                                const std::vector<std::string>& filePaths, bool junkPaths);

  protected:
    bool loaded_ = false;
};

// Removes what killed transactions left in the work folder beside the archives of folder.
// Nothing there holds data found nowhere else: a second name of an archive, a new archive
// whose changes were never put in place, or libzip's partial output.
void RemoveZipLeftovers(const std::string& folder);

}  // namespace vextral
