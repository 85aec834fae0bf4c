#pragma once

#include <string>
#include <vector>

#include "archive/ZipEntry.h"
#include "ui/Dialogs.h"

namespace vextral {

// Lists the members of zip archives by walking their local headers from offset 0.
class ZipReader {
  public:
    explicit ZipReader(Dialogs& dialogs) : dialogs_(dialogs) {}

    // Empties entries and lists the archive's members into it. True when the walk reached
    // the end-of-central-directory signature. With reportErrors the reader's messages
    // ("Unsupported Zipformat In File:\n\n", "Corrupt Zipfile:\n\n" + path) are shown.
    [[nodiscard]] bool ReadZipDirectory(const std::string& path, std::vector<ZipEntry>& entries,
                                        bool requireZipExtension, bool reportErrors) const;

  private:
    Dialogs& dialogs_;
};

}  // namespace vextral
