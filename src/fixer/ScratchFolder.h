#pragma once

#include <string>

namespace vextral {

// A fresh folder inside the temporary folder for the files of one fix, removed with its
// contents when the fix is done, unless it still holds the only copy of something (Keep).
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& programFolder);
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
