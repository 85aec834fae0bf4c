#pragma once
// Runs the built vextral binary with its settings and data folders inside a fresh temporary
// folder, standard input from a file (never a terminal), and captures both outputs.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/CollectionBuilder.h"
#include "support/ListBuilder.h"
#include "support/TempFolder.h"

extern char** environ;

namespace vextral::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

class CliFixture : public ::testing::Test {
  protected:
    CliFixture() {
        const char* binary = std::getenv("VEXTRAL_BINARY");
        binary_ = binary != nullptr ? binary : "";
#ifdef VEXTRAL_BUILT_BINARY
        if (binary_.empty())
            binary_ = VEXTRAL_BUILT_BINARY;
#endif
    }

    void SetUp() override {
        ASSERT_FALSE(binary_.empty()) << "VEXTRAL_BINARY is not set";
    }

    CliResult Run(const std::vector<std::string>& args, const std::string& input = {}) {
        WriteFile(temp / "stdin.txt", input);
        return Collected(std::system(CommandLine(args, "").c_str()), "");
    }

    // Starts the program as Run does, without waiting and with its own output files (named
    // after tag); its process id is the program's own. Finish waits for it.
    pid_t Start(const std::vector<std::string>& args, const std::string& tag) {
        WriteFile(temp / "stdin.txt", "");
        const std::string command = CommandLine(args, tag);
        char* argv[] = {const_cast<char*>("/bin/sh"), const_cast<char*>("-c"),
                        const_cast<char*>(command.c_str()), nullptr};
        pid_t pid = -1;
        EXPECT_EQ(::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ), 0);
        return pid;
    }

    // Waits at most a minute, then ends the program.
    CliResult Finish(pid_t pid, const std::string& tag) {
        int raw = 0;
        for (int tenths = 0; ::waitpid(pid, &raw, WNOHANG) == 0; ++tenths) {
            if (tenths == 600) {
                ADD_FAILURE() << tag << " did not end";
                ::kill(pid, SIGKILL);
            }
            ::usleep(100000);
        }
        return Collected(raw, tag);
    }

    // scan over the fixture's list and folders, with more arguments after.
    CliResult Scan(std::vector<std::string> more = {}, const std::string& command = "scan") {
        std::vector<std::string> args{command, "--dat", listPath};
        if (command == "scan") {
            args.insert(args.end(), {"--rom-paths", "roms", "--sample-paths", "samples"});
        }
        args.insert(args.end(), more.begin(), more.end());
        return Run(args);
    }

    void WriteList(const ListBuilder& list) {
        listPath = list.WriteTo(temp / "list.dat");
    }

    std::string SettingsFile() const {
        return temp / "config/vextral/vextral.ini";
    }
    std::string RomFolder() const {
        return temp / "roms/";
    }

    TempFolder temp;
    std::string listPath;
    std::string unsetVariables;  // "-u NAME " for each variable the program must not see
    std::string environment;     // "NAME=value " for each variable the program gets besides
    CollectionBuilder roms{temp / "roms/"};
    CollectionBuilder samples{temp / "samples/"};

  private:
    std::string CommandLine(const std::vector<std::string>& args, const std::string& tag) const {
        // Appended piece by piece: GCC 12 at -O3 takes "literal" + std::string for an
        // overlapping copy (a false -Wrestrict).
        std::string command = "cd ";
        command += ShellQuoted(temp.Path());
        command += " && exec env ";
        command += unsetVariables;
        command += environment;
        command += "XDG_CONFIG_HOME=";
        command += ShellQuoted(temp / "config");
        command += " XDG_DATA_HOME=";
        command += ShellQuoted(temp / "data");
        command += " XDG_CACHE_HOME=";
        command += ShellQuoted(temp / "cache");
        command += ' ';
        command += ShellQuoted(binary_);
        for (const std::string& arg : args) {
            command += ' ';
            command += ShellQuoted(arg);
        }
        return command + " <stdin.txt >stdout" + tag + ".txt 2>stderr" + tag + ".txt";
    }

    CliResult Collected(int raw, const std::string& tag) {
        CliResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadFile(temp / ("stdout" + tag + ".txt"));
        result.err = ReadFile(temp / ("stderr" + tag + ".txt"));
        return result;
    }

    std::string binary_;
};

}  // namespace vextral::test
