#include "support/ZipContents.h"

#include <gtest/gtest.h>

#include "archive/ZipExtraction.h"
#include "archive/ZipReader.h"
#include "platform/FileSystem.h"
#include "support/TempFolder.h"

namespace vextral::test {

std::vector<ZipEntry> ListMembers(const std::string& zipPath, Dialogs& dialogs) {
    ZipReader reader(dialogs);
    std::vector<ZipEntry> entries;
    EXPECT_TRUE(reader.ReadZipDirectory(zipPath, entries, false, false)) << zipPath;
    return entries;
}

std::map<std::string, std::string> ReadMembers(const std::string& zipPath,
                                               const std::string& scratchFile, Dialogs& dialogs) {
    std::map<std::string, std::string> result;
    for (const ZipEntry& entry : ListMembers(zipPath, dialogs)) {
        EXPECT_TRUE(ExtractZipEntry(entry, scratchFile, dialogs)) << entry.storedName;
        result[entry.storedName] = ReadFile(scratchFile);
    }
    (void)DeleteFile(scratchFile);  // none for an archive without members
    return result;
}

}  // namespace vextral::test
