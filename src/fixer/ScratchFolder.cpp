#include "fixer/ScratchFolder.h"

#include <stdlib.h>

#include "archive/FileUtils.h"
#include "platform/FileSystem.h"

namespace vextral {

ScratchFolder::ScratchFolder(const std::string& processFolder) {
    // The process's folder is made at start-up; making it here would put files where no
    // sweep ever finds them.
    if (processFolder.empty() || processFolder.back() != kSeparator || !IsFolder(processFolder))
        return;
    std::string folder = processFolder + "fixXXXXXX";
    if (::mkdtemp(folder.data()) != nullptr)
        path_ = folder + kSeparator;
}

ScratchFolder::~ScratchFolder() {
    if (Ok() && !keep_) {
        // What stays is swept with the process's folder when the process ends.
        (void)RemoveFolderTree(path_.substr(0, path_.size() - 1));
    }
}

}  // namespace vextral
