#pragma once
// The bytes of a list file, plain or gzip-compressed (told by the gzip signature, never by
// the name). Only regular files are read.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vextral {

class ListInput {
  public:
    ListInput() = default;
    ~ListInput();
    ListInput(const ListInput&) = delete;
    ListInput& operator=(const ListInput&) = delete;

    [[nodiscard]] bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0 || gz_ != nullptr; }
    bool IsCompressed() const { return gz_ != nullptr; }

    // Up to size bytes of the (decompressed) contents: the count, 0 at the end, -1 when the
    // file cannot be read further (a damaged gzip stream included).
    long Read(char* buffer, std::size_t size);

    // How far into the file on disk reading has come, and the file's length there: the
    // progress of a compressed file is measured in compressed bytes.
    std::uint64_t Position() const;
    std::uint64_t FileSize() const { return fileSize_; }
    // Goes on reading at this offset; plain files only.
    [[nodiscard]] bool SeekTo(std::uint64_t offset);

  private:
    int fd_ = -1;
    void* gz_ = nullptr;  // the zlib stream of a gzip file; it owns the descriptor then
    std::uint64_t fileSize_ = 0;
    std::uint64_t position_ = 0;
};

}  // namespace vextral
