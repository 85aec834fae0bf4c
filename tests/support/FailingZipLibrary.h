#pragma once

#include <memory>
#include <string>

#include "archive/ZipLibrary.h"

namespace vextral::test {

// The real zip library with failures on demand. Every step of a transaction counts: opening
// the archive, each prepared change and the commit. The step failEveryStep or the failStep-th
// step (counting from 1 over the library's life; 0 never) fails without reaching libzip,
// as does the failCommit-th commit. Other steps go through to the real library. With
// alterWrittenData, every committed archive then has one byte of its first member's data
// changed: the archive keeps its length and its directory, as a faulty disk would leave it.
class FailingZipLibrary : public ZipLibrary {
  public:
    int failStep = 0;
    int failCommit = 0;
    bool failEveryStep = false;
    bool alterWrittenData = false;

    int steps = 0;
    int commits = 0;
    int failures = 0;  // how many steps were made to fail

    std::unique_ptr<ZipTransaction> Open(const std::string& zipPath, ZipOpenMode mode) override;

    // Counts a step; true when it is to fail.
    bool StepFails(bool isCommit);
};

}  // namespace vextral::test
