#include "FailingZipLibrary.h"

namespace vextral::test {

bool FailingZipLibrary::DeleteMembers(const std::string& zipPath,
                                      const std::vector<std::string>& memberNames) {
    ++deleteCalls;
    if (failDeleteAlways || deleteCalls == failDeleteOnCall) {
        return false;
    }
    return ZipLibrary::DeleteMembers(zipPath, memberNames);
}

bool FailingZipLibrary::AddFiles(const std::string& zipPath,
                                 const std::vector<std::string>& filePaths, bool junkPaths) {
    ++addCalls;
    if (failAddAlways || addCalls == failAddOnCall) {
        return false;
    }
    return ZipLibrary::AddFiles(zipPath, filePaths, junkPaths);
}

}  // namespace vextral::test
