#include "fixer/ScratchFolder.h"

#include "archive/FileUtils.h"
#include "platform/FileSystem.h"

namespace vextral {

ScratchFolder::ScratchFolder(const std::string& processFolder) {
    // The process's folder is made at start-up; making it here would put files where no
    // sweep ever finds them.
    if (processFolder.empty() || processFolder.back() != kSeparator || !IsFolder(processFolder))
        return;
    for (int n = 0; n < 10000; ++n) {
        const std::string candidate = processFolder + "fix" + std::to_string(n);
        if (PathExists(candidate)) {
            continue;
        }
        if (CreateFolder(candidate) && IsFolder(candidate)) {
            path_ = candidate + kSeparator;
        }
        return;
    }
}

ScratchFolder::~ScratchFolder() {
    if (Ok() && !keep_) {
        RemoveFolderTree(path_.substr(0, path_.size() - 1));
    }
}

}  // namespace vextral
