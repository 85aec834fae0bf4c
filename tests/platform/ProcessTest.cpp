#include "platform/Process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace vextral {
namespace {

namespace fs = std::filesystem;

TEST(ProcessTest, ArgumentsReachTheProgramUntouchedByAnyShell) {
    test::TempFolder folder;
    const std::string out = folder / "out.txt";
    ASSERT_TRUE(
        RunToFile({"/bin/echo", "two  words", "$(touch hacked)", ";", "*"}, out, folder.Path()));
    EXPECT_EQ(test::ReadFile(out), "two  words $(touch hacked) ; *\n");
    EXPECT_FALSE(fs::exists(folder / "hacked"));
}

TEST(ProcessTest, RunsInTheWorkingFolderAndReplacesOldOutput) {
    test::TempFolder folder;
    fs::create_directories(folder / "work");
    const std::string out = test::WriteFile(folder / "out.txt", "old contents, longer\n");
    ASSERT_TRUE(RunToFile({"/bin/pwd"}, out, folder / "work"));
    EXPECT_EQ(test::ReadFile(out), fs::canonical(folder / "work").string() + "\n");
}

TEST(ProcessTest, StartedWithItsOwnInputOutputsAndEnvironmentChanges) {
    test::TempFolder folder;
    ProcessOptions options;
    options.argv = {"/bin/sh", "-c", "echo \"$VX_ADDED|${HOME-unset}\"; cat; echo oops >&2"};
    options.inputPath = test::WriteFile(folder / "in.txt", "from the input\n");
    options.outputPath = folder / "out.txt";
    options.errorPath = folder / "err.txt";
    options.environment = {{"VX_ADDED", "two  words"}, {"HOME", std::nullopt}};
    const std::optional<pid_t> pid = StartProcess(options);
    ASSERT_TRUE(pid.has_value());
    int status = -1;
    ASSERT_EQ(::waitpid(*pid, &status, 0), *pid);
    EXPECT_EQ(test::ReadFile(folder / "out.txt"), "two  words|unset\nfrom the input\n");
    EXPECT_EQ(test::ReadFile(folder / "err.txt"), "oops\n");
    EXPECT_EQ(std::getenv("VX_ADDED"), nullptr);  // ours is untouched

    options.inputPath = folder / "missing.txt";
    EXPECT_FALSE(StartProcess(options).has_value());
}

TEST(ProcessTest, ProgramsThatCannotStartFail) {
    test::TempFolder folder;
    const std::string plain = test::WriteFile(folder / "plain", "#!/bin/sh\necho hi\n");
    ::chmod(plain.c_str(), 0644);
    EXPECT_FALSE(RunToFile({plain}, folder / "a.txt", ""));
    EXPECT_FALSE(RunToFile({folder / "missing"}, folder / "b.txt", ""));
    EXPECT_FALSE(RunToFile({"/bin/echo"}, folder / "no/such/folder/c.txt", ""));
    EXPECT_FALSE(RunAndWait({folder / "missing"}).has_value());
    EXPECT_FALSE(RunAndWait({}).has_value());
    EXPECT_EQ(RunAndWait({"/bin/true"}), 0);
    EXPECT_EQ(RunAndWait({"false"}), 1);  // a bare name is looked up in PATH
}

TEST(ProcessTest, FindInSearchPathWantsAnExecutableFile) {
    test::TempFolder folder;
    const std::string plain = test::WriteFile(folder / "a/tool", "data");
    const std::string script = test::WriteFile(folder / "b/tool", "#!/bin/sh\n");
    ::chmod(plain.c_str(), 0644);
    ::chmod(script.c_str(), 0755);
    fs::create_directories(folder / "c/tool");  // a folder of that name

    const char* saved = std::getenv("PATH");
    const std::string savedPath = saved != nullptr ? saved : "";
    const std::string path =
        ":" + folder.Path() + "c:" + folder.Path() + "a:" + folder.Path() + "b";
    ::setenv("PATH", path.c_str(), 1);
    const auto found = FindInSearchPath("tool");
    const auto missing = FindInSearchPath("nothing-of-that-name");
    ::setenv("PATH", savedPath.c_str(), 1);

    EXPECT_EQ(found, folder / "b/");
    EXPECT_FALSE(missing.has_value());
}

}  // namespace
}  // namespace vextral
