#pragma once
// Starting programs directly with an argument vector; nothing passes through a shell.

#include <optional>
#include <string>
#include <vector>

namespace vextral {

// Runs argv[0] with the given arguments in workingFolder (empty: the current folder), its
// standard output redirected into outputPath (created or truncated) and, when errorPath is
// given, its standard error into errorPath; waits for it. True when the program was started
// and waited for; its exit status is not looked at.
[[nodiscard]] bool RunToFile(const std::vector<std::string>& argv, const std::string& outputPath,
                             const std::string& workingFolder, const std::string& errorPath = {});

// Runs argv[0] with the given arguments and waits; the exit status, or nothing when the
// program could not be started.
std::optional<int> RunAndWait(const std::vector<std::string>& argv);

// The first folder of $PATH holding an executable file of this name, ending with the
// separator.
std::optional<std::string> FindInSearchPath(const std::string& fileName);

}  // namespace vextral
