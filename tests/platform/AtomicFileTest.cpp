#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "support/FolderBuilder.h"
#include "support/TempFolder.h"

namespace vextral {
namespace {

using test::ReadTree;
using test::TempFolder;
using test::WriteFile;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(AtomicFileTest, OnlyACommitReplacesTheTargetAndNoTemporaryIsLeft) {
    enum class End { Commit, Destroy, CommitKeepingExisting, FailedWrite };
    struct Case {
        End end;
        bool targetExists;
        bool committed;
        const char* contentsAfter;  // nullptr: no target
    };
    const Case cases[] = {
        {End::Commit, true, true, "new"},
        {End::Commit, false, true, "new"},
        {End::Destroy, true, false, "old"},
        {End::Destroy, false, false, nullptr},
        {End::CommitKeepingExisting, true, false, "old"},
        {End::CommitKeepingExisting, false, true, "new"},
        {End::FailedWrite, true, false, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(&c - cases));
        TempFolder temp;
        const std::string target = temp / "fastscan.dat";
        if (c.targetExists)
            WriteFile(target, "old");
        {
            AtomicFile file(target);
            ASSERT_TRUE(file.IsOpen()) << file.Error();
            ASSERT_TRUE(file.Write("new"));
            switch (c.end) {
                case End::Commit:
                    EXPECT_EQ(file.Commit(), c.committed);
                    break;
                case End::Destroy:
                    break;
                case End::CommitKeepingExisting:
                    EXPECT_EQ(file.Commit(CopyMode::KeepExisting), c.committed);
                    break;
                case End::FailedWrite:
                    // A descriptor that refuses the bytes, as a full disk would.
                    const int readOnly = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
                    ASSERT_EQ(::dup2(readOnly, file.Descriptor()), file.Descriptor());
                    ::close(readOnly);
                    EXPECT_FALSE(file.Write("more"));
                    EXPECT_FALSE(file.Commit());
                    break;
            }
            EXPECT_EQ(file.Error().empty(), c.committed || c.end == End::Destroy) << file.Error();
        }
        std::map<std::string, std::string> expected;
        if (c.contentsAfter)
            expected["fastscan.dat"] = c.contentsAfter;
        EXPECT_EQ(ReadTree(temp.Path()), expected);
    }
}

TEST(AtomicFileTest, ANewFileGetsTheModeAPlainCreateWouldGive) {
    TempFolder temp;
    const int plain = ::open((temp / "plain").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(plain, 0);
    ::close(plain);
    AtomicFile file(temp / "written");
    ASSERT_TRUE(file.Commit());
    EXPECT_EQ(ModeOf(temp / "written"), ModeOf(temp / "plain"));
}

TEST(AtomicFileTest, ATargetInAMissingFolderFailsWithTheSystemsReason) {
    TempFolder temp;
    AtomicFile file(temp / "missing/fastscan.dat");
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Write("new"));
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(file.Error(), "No such file or directory");
    EXPECT_TRUE(ReadTree(temp.Path()).empty());
}

}  // namespace
}  // namespace vextral
