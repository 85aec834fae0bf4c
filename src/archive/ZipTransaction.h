#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/Deflate.h"
#include "archive/ZipEntry.h"

namespace vextral {

// One archive opened for change. Changes are prepared on it, addressed by the library's
// member index, and written by one Commit: the new archive is written beside the old one and
// renamed into place. Destroyed without a successful Commit, it leaves the archive byte for
// byte as it was. After a failure ErrorText says why.
class ZipTransaction {
  public:
    struct MemberInfo {
        std::string storedName;
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
    };

    virtual ~ZipTransaction() = default;

    // False when the archive could not be opened; every change then fails.
    virtual bool IsOpen() const = 0;
    // The members as they were when opened, in the library's (central directory) order.
    virtual std::uint64_t MemberCount() const = 0;
    virtual std::optional<MemberInfo> Member(std::uint64_t index) const = 0;

    [[nodiscard]] virtual bool Delete(std::uint64_t index) = 0;
    // Never takes a name another member bears.
    [[nodiscard]] virtual bool Rename(std::uint64_t index, const std::string& newName) = 0;
    // The member's data becomes the file's (read at Commit), compressed at the highest level.
    [[nodiscard]] virtual bool Replace(std::uint64_t index, const std::string& file) = 0;
    // Adds the file under memberName; never replaces a member of that name.
    [[nodiscard]] virtual bool Add(const std::string& file, const std::string& memberName) = 0;
    // The same for data compressed beforehand, which Commit stores as it is.
    [[nodiscard]] virtual bool AddDeflated(std::shared_ptr<const DeflatedData> data,
                                           const std::string& memberName) = 0;
    // Writes every change. An archive left without members is removed.
    [[nodiscard]] virtual bool Commit() = 0;

    virtual const std::string& ErrorText() const = 0;

    // The library's index of a member our reader listed: entry is one of listing, the whole
    // archive as ReadZipDirectory gave it. Our reader walks local headers in file order and
    // skips folder records; the library indexes its central directory. The match is by stored
    // name, then by size and CRC-32, then by order of occurrence among equal members; nothing
    // when it is not certain.
    std::optional<std::uint64_t> IndexOf(const ZipEntry& entry,
                                         const std::vector<ZipEntry>& listing) const;
};

}  // namespace vextral
