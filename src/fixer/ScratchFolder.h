#pragma once

#include <string>

namespace vextral {

// A fresh folder inside this process's own scratch folder (ProcessScratch::Path) for the
// files of one fix, removed with its contents when the fix is done, unless it still holds
// the only copy of something (Keep): the process then keeps it in the backup folder when it
// ends.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& processFolder);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool Ok() const { return !path_.empty(); }
    // Ends with the separator; empty when the folder could not be made.
    const std::string& Path() const { return path_; }
    void Keep() { keep_ = true; }

  private:
    std::string path_;
    bool keep_ = false;
};

}  // namespace vextral
