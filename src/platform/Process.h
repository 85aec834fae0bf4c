#pragma once
// Starting programs directly with an argument vector; nothing passes through a shell.

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vextral {

// How a program is started. Every path left empty means ours: our working folder, our
// standard input, output and error. The output files are created or truncated.
struct ProcessOptions {
    std::vector<std::string> argv;
    std::string workingFolder;
    std::string inputPath;
    std::string outputPath;
    std::string errorPath;
    // Changes to our environment: a value sets the variable, nothing removes it.
    std::map<std::string, std::optional<std::string>> environment;
};

// Starts the program without waiting; its process id, or nothing when a file could not be
// opened or the program could not be started.
[[nodiscard]] std::optional<pid_t> StartProcess(const ProcessOptions& options);

// Runs argv[0] with the given arguments in workingFolder (empty: the current folder), its
// standard output redirected into outputPath (created or truncated) and, when errorPath is
// given, its standard error into errorPath; waits for it. True when the program was started
// and waited for; its exit status is not looked at.
[[nodiscard]] bool RunToFile(const std::vector<std::string>& argv, const std::string& outputPath,
                             const std::string& workingFolder, const std::string& errorPath = {});

// Runs argv[0] with the given arguments and waits; the exit status, or nothing when the
// program could not be started.
[[nodiscard]] std::optional<int> RunAndWait(const std::vector<std::string>& argv);

// The first folder of $PATH holding an executable file of this name, ending with the
// separator.
std::optional<std::string> FindInSearchPath(const std::string& fileName);

}  // namespace vextral
