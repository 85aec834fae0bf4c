#pragma once
// Tests that prove where relative names count from set the process's folder themselves; the
// program never changes it.

#include <unistd.h>

#include <string>

namespace vextral {

[[nodiscard]] inline bool SetCurrentFolder(const std::string& folder) {
    return ::chdir(folder.c_str()) == 0;
}

}  // namespace vextral
