#pragma once

#include <string>
#include <vector>

#include "archive/ZipLibrary.h"

namespace vextral::test {

// The real zip library with failures on demand: AddFiles or DeleteMembers fails on its Nth
// call (counting from 1; 0 never) or on every call, without touching the archive. Other
// calls go through to the real library.
class FailingZipLibrary : public ZipLibrary {
  public:
    int failAddOnCall = 0;
    bool failAddAlways = false;
    int failDeleteOnCall = 0;
    bool failDeleteAlways = false;

    int addCalls = 0;
    int deleteCalls = 0;

    bool DeleteMembers(const std::string& zipPath,
                       const std::vector<std::string>& memberNames) override;
    bool AddFiles(const std::string& zipPath, const std::vector<std::string>& filePaths,
                  bool junkPaths) override;
};

}  // namespace vextral::test
