#include "platform/Path.h"

#include <gtest/gtest.h>

namespace vextral {
namespace {

TEST(PathTest, SeparatorsAreAddedStrippedAndJoinedOnce) {
    struct Case {
        const char* path;
        const char* with;
        const char* without;
        const char* joined;
    };
    const Case cases[] = {
        {"", "/", "", "x"},
        {"/", "/", "/", "/x"},
        {"/roms", "/roms/", "/roms", "/roms/x"},
        {"/roms/", "/roms/", "/roms", "/roms/x"},
        {"/roms//", "/roms//", "/roms", "/roms//x"},
        {"roms", "roms/", "roms", "roms/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(WithSeparator(c.path), c.with);
        EXPECT_EQ(WithoutSeparator(c.path), c.without);
        EXPECT_EQ(JoinPath(c.path, "x"), c.joined);
    }
}

}  // namespace
}  // namespace vextral
