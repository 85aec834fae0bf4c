#pragma once
// The command line: `vextral scan`, `fast-scan`, `rebuild`, `merge`, `unmerge`,
// `list-info`, run without any window.

namespace vextral {

// argv[1] is the subcommand (or --help / --version). Returns the exit status.
int RunCli(int argc, char** argv);

// True when argv names something the command line handles rather than the window.
bool IsCliInvocation(int argc, char** argv);

}  // namespace vextral
