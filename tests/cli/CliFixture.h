#pragma once
// Runs the built vextral binary with its settings and data folders inside a fresh temporary
// folder, standard input from a file (never a terminal), and captures both outputs.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

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
        // Appended piece by piece: GCC 12 at -O3 takes "literal" + std::string for an
        // overlapping copy (a false -Wrestrict).
        std::string command = "cd ";
        command += ShellQuoted(temp.Path());
        command += " && env ";
        command += unsetVariables;
        command += "XDG_CONFIG_HOME=";
        command += ShellQuoted(temp / "config");
        command += " XDG_DATA_HOME=";
        command += ShellQuoted(temp / "data");
        command += ' ';
        command += ShellQuoted(binary_);
        for (const std::string& arg : args) {
            command += ' ';
            command += ShellQuoted(arg);
        }
        command += " <stdin.txt >stdout.txt 2>stderr.txt";
        const int raw = std::system(command.c_str());
        CliResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadFile(temp / "stdout.txt");
        result.err = ReadFile(temp / "stderr.txt");
        return result;
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
    CollectionBuilder roms{temp / "roms/"};
    CollectionBuilder samples{temp / "samples/"};

  private:
    std::string binary_;
};

}  // namespace vextral::test
