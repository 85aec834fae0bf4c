#pragma once
// Builds rom and sample folders for scan tests: zip sets and folder sets whose files have
// the CRC-32 values a list asks for, so that a test can make right and wrong files for any
// listed checksum.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vextral::test {

// length bytes whose CRC-32 is crc: filler bytes derived from seed, then four bytes that
// steer the checksum onto crc. length must be at least 4.
std::string DataWithCrc(std::uint32_t crc, std::size_t length, char seed = 'r');

struct SetFile {
    std::string name;
    std::string data;
};

class CollectionBuilder {
  public:
    // folder is created when missing and should end with '/'.
    explicit CollectionBuilder(std::string folder);

    // folder + setName + ".zip" with the files as stored members, in the given order.
    CollectionBuilder& ZipSet(const std::string& setName, const std::vector<SetFile>& files);
    // folder + setName as a folder holding the files.
    CollectionBuilder& FolderSet(const std::string& setName, const std::vector<SetFile>& files);
    // A loose file directly in the folder.
    CollectionBuilder& File(const std::string& name, const std::string& data);
    // An empty sub-folder directly in the folder.
    CollectionBuilder& Folder(const std::string& name);

    const std::string& Root() const { return folder_; }

  private:
    std::string folder_;
};

}  // namespace vextral::test
