#include "archive/ZipTransaction.h"

namespace vextral {

std::optional<std::uint64_t> ZipTransaction::IndexOf(const ZipEntry& entry,
                                                     const std::vector<ZipEntry>& listing) const {
    if (!IsOpen())
        return std::nullopt;
    const auto sameData = [&](std::uint64_t size, std::uint32_t crc) {
        return size == entry.size && crc == entry.crc;
    };

    // Where the entry stands among the listed members of its name with its data.
    std::size_t listedNamed = 0;
    std::size_t listedEqual = 0;
    std::optional<std::size_t> occurrence;
    for (const ZipEntry& member : listing) {
        if (member.storedName != entry.storedName)
            continue;
        ++listedNamed;
        if (!sameData(member.size, member.crc))
            continue;
        if (!occurrence && member == entry)
            occurrence = listedEqual;
        ++listedEqual;
    }
    if (!occurrence)
        return std::nullopt;

    std::size_t named = 0;
    std::vector<std::uint64_t> equal;
    for (std::uint64_t index = 0; index < MemberCount(); ++index) {
        const auto member = Member(index);
        if (!member || member->storedName != entry.storedName)
            continue;
        ++named;
        if (sameData(member->size, member->crc))
            equal.push_back(index);
    }
    // Members of equal name and data are interchangeable; any other difference between the
    // two views means we do not know which member is meant.
    if (named != listedNamed || equal.size() != listedEqual)
        return std::nullopt;
    return equal[*occurrence];
}

}  // namespace vextral
