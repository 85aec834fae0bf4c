#pragma once
// Runs the built vextral binary with its settings and data folders inside a fresh temporary
// folder, standard input from a file (never a terminal), and captures both outputs.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "support/CollectionBuilder.h"
#include "support/ListBuilder.h"
#include "support/TempFolder.h"

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
        const std::optional<pid_t> pid = StartProcess(Options(args, ""));
        EXPECT_TRUE(pid.has_value()) << binary_;
        int raw = -1;
        while (pid && ::waitpid(*pid, &raw, 0) < 0 && errno == EINTR) {
        }
        return Collected(raw, "");
    }

    // Starts the program as Run does, without waiting and with its own output files (named
    // after tag). Finish waits for it.
    pid_t Start(const std::vector<std::string>& args, const std::string& tag) {
        WriteFile(temp / "stdin.txt", "");
        const std::optional<pid_t> pid = StartProcess(Options(args, tag));
        EXPECT_TRUE(pid.has_value()) << binary_;
        return pid.value_or(-1);
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
    std::vector<std::string> unsetVariables;         // the program must not see these
    std::map<std::string, std::string> environment;  // the program gets these besides
    CollectionBuilder roms{temp / "roms/"};
    CollectionBuilder samples{temp / "samples/"};

  private:
    ProcessOptions Options(const std::vector<std::string>& args, const std::string& tag) const {
        ProcessOptions options;
        options.argv = {binary_};
        options.argv.insert(options.argv.end(), args.begin(), args.end());
        options.workingFolder = temp.Path();
        options.inputPath = temp / "stdin.txt";
        options.outputPath = temp / ("stdout" + tag + ".txt");
        options.errorPath = temp / ("stderr" + tag + ".txt");
        for (const std::string& name : unsetVariables)
            options.environment[name] = std::nullopt;
        for (const auto& [name, value] : environment)
            options.environment[name] = value;
        options.environment["XDG_CONFIG_HOME"] = temp / "config";
        options.environment["XDG_DATA_HOME"] = temp / "data";
        options.environment["XDG_CACHE_HOME"] = temp / "cache";
        return options;
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
