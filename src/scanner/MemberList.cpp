#include "scanner/MemberList.h"

#include "scanner/SetCheckSupport.h"

namespace vextral {

namespace {

// Below this a walk costs less than building the index.
constexpr std::size_t kIndexFrom = 64;

}  // namespace

std::optional<std::size_t> MemberList::Find(std::string_view name) const {
    const std::vector<ZipEntry>& members = Get();
    if (owned_ || members.size() < kIndexFrom)
        return FindMember(members, name);
    if (byName_.empty()) {
        byName_.reserve(members.size());
        for (std::size_t i = 0; i < members.size(); ++i)
            byName_.try_emplace(members[i].name, i);
    }
    const auto found = byName_.find(name);
    if (found == byName_.end())
        return std::nullopt;
    return found->second;
}

}  // namespace vextral
