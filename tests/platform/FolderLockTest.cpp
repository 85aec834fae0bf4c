#include "platform/FolderLock.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/FolderLockSet.h"
#include "support/TempFolder.h"

extern char** environ;

namespace vextral {
namespace {

namespace fs = std::filesystem;

TEST(FolderLockTest, SharedLocksCoexistAndAnExclusiveOneExcludesEveryOther) {
    test::TempFolder temp;
    struct Case {
        LockMode first, second;
        LockResult expected;
    };
    const Case cases[] = {
        {LockMode::Shared, LockMode::Shared, LockResult::Locked},
        {LockMode::Shared, LockMode::Exclusive, LockResult::Busy},
        {LockMode::Exclusive, LockMode::Shared, LockResult::Busy},
        {LockMode::Exclusive, LockMode::Exclusive, LockResult::Busy},
    };
    for (const Case& c : cases) {
        FolderLock first, second;
        ASSERT_EQ(first.TryLock(temp.Path(), c.first), LockResult::Locked);
        EXPECT_EQ(second.TryLock(temp.Path(), c.second), c.expected);
        first.Release();
        EXPECT_EQ(second.TryLock(temp.Path(), c.second), LockResult::Locked);
    }
    FolderLock none;
    EXPECT_EQ(none.TryLock(temp / "absent", LockMode::Shared), LockResult::Unavailable);
    EXPECT_FALSE(none.Held());
    // No lock file is left behind.
    EXPECT_TRUE(fs::is_empty(temp.Path()));
}

TEST(FolderLockTest, ALockDiesWithItsProcessAndNoProgramItStartedKeepsIt) {
    test::TempFolder temp;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FolderLock held;
        const char result = held.TryLock(temp.Path(), LockMode::Exclusive) == LockResult::Locked;
        (void)!::write(ready[1], &result, 1);
        ::pause();
        ::_exit(0);
    }
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    ASSERT_EQ(locked, 1);
    FolderLock mine;
    EXPECT_EQ(mine.TryLock(temp.Path(), LockMode::Shared), LockResult::Busy);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(mine.TryLock(temp.Path(), LockMode::Exclusive), LockResult::Locked);

    // A program started while the lock is held ends later than the lock.
    pid_t sleeper = 0;
    char* argv[] = {const_cast<char*>("/bin/sleep"), const_cast<char*>("30"), nullptr};
    ASSERT_EQ(::posix_spawn(&sleeper, "/bin/sleep", nullptr, nullptr, argv, environ), 0);
    mine.Release();
    // The child's copy of the descriptor closes during its exec, which may end a little after
    // posix_spawn returned; only a copy that outlives the exec would keep the lock.
    FolderLock after;
    LockResult result = LockResult::Busy;
    for (int tries = 0; tries < 500 && result == LockResult::Busy; ++tries) {
        result = after.TryLock(temp.Path(), LockMode::Exclusive);
        if (result == LockResult::Busy)
            ::usleep(10'000);
    }
    EXPECT_EQ(result, LockResult::Locked);
    ::kill(sleeper, SIGKILL);
    ::waitpid(sleeper, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(FolderLockTest, ASetLocksEachFolderOnceInTheStrongerModeAndAllOrNothing) {
    test::TempFolder temp;
    fs::create_directories(temp / "x");
    fs::create_directories(temp / "y");
    fs::create_directories(temp / "z");
    fs::create_directories(temp / "w");
    fs::create_directory_symlink(temp / "x", temp / "link");

    FolderLockSet set;
    const LockOutcome outcome = set.TryLockAll({{temp / "x/", LockMode::Shared},
                                                {temp / "link", LockMode::Exclusive},
                                                {temp / "y/", LockMode::Shared},
                                                {temp / "z/new/deeper/", LockMode::Exclusive}});
    ASSERT_TRUE(outcome.locked) << outcome.busyFolder;
    FolderLock probe;
    EXPECT_EQ(probe.TryLock(temp / "x", LockMode::Shared), LockResult::Busy);
    EXPECT_EQ(probe.TryLock(temp / "y", LockMode::Shared), LockResult::Locked);
    EXPECT_EQ(probe.TryLock(temp / "z", LockMode::Shared), LockResult::Busy);
    probe.Release();

    FolderLockSet second;
    const LockOutcome refused =
        second.TryLockAll({{temp / "w", LockMode::Exclusive}, {temp / "x", LockMode::Shared}});
    EXPECT_FALSE(refused.locked);
    EXPECT_EQ(refused.busyFolder, temp / "x");
    EXPECT_EQ(probe.TryLock(temp / "w", LockMode::Exclusive), LockResult::Locked);
}

TEST(FolderLockTest, ATreeAndAFolderInsideItExcludeEachOtherSiblingsDoNot) {
    test::TempFolder temp;
    fs::create_directories(temp / "roms/sub");
    fs::create_directories(temp / "roms/other");
    struct Case {
        const char* first;
        const char* second;
        bool secondLocked;
    };
    const Case cases[] = {
        {"roms", "roms/sub", false},
        {"roms/sub", "roms", false},
        {"roms/sub", "roms/other", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second);
        FolderLockSet first, second;
        ASSERT_TRUE(first.TryLockAll({{temp / c.first, LockMode::Exclusive}}).locked);
        const LockOutcome outcome = second.TryLockAll({{temp / c.second, LockMode::Exclusive}});
        EXPECT_EQ(outcome.locked, c.secondLocked) << outcome.busyFolder;
    }
}

}  // namespace
}  // namespace vextral
