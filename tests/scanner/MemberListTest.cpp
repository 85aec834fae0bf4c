#include "scanner/MemberList.h"

#include <gtest/gtest.h>

#include <string>

#include "scanner/SetCheckSupport.h"

namespace vextral {
namespace {

// A listing long enough to be indexed answers as the walk does: the first member of a name in
// any case; once a fix may change the list, the current names count.
TEST(MemberListTest, IndexedLookupAgreesWithTheWalk) {
    auto kept = std::make_shared<std::vector<ZipEntry>>();
    for (int i = 0; i < 200; ++i) {
        ZipEntry entry;
        entry.name = "r" + std::to_string(i % 150) + (i >= 150 ? ".ROM" : ".rom");
        kept->push_back(entry);
    }
    MemberList members;
    members.Assign(kept);
    for (const std::string name : {"r3.rom", "R3.ROM", "r149.rom", "r150.rom", "", "r3.ro"})
        EXPECT_EQ(members.Find(name), FindMember(*kept, name)) << name;
    EXPECT_EQ(members.Find("R10.rom"), std::optional<std::size_t>(10));

    members.Mutable()[10].name = "moved.rom";
    EXPECT_EQ(members.Find("moved.rom"), std::optional<std::size_t>(10));
    EXPECT_EQ(members.Find("r10.rom"), std::optional<std::size_t>(160));
}

}  // namespace
}  // namespace vextral
