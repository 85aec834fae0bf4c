#pragma once

#include <string>

namespace vextral::test {

// A fresh folder per test under the system's temporary folder; removed when the test
// passed, kept (and its path printed) when it failed. Path() ends with '/'.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path() + relative
    std::string operator/(const std::string& relative) const { return path_ + relative; }

  private:
    std::string path_;
};

// Writes a file (creating parent folders); returns its path.
std::string WriteFile(const std::string& path, const std::string& contents);
std::string ReadFile(const std::string& path);

}  // namespace vextral::test
