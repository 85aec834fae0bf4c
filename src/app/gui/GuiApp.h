#pragma once

namespace vextral {

// The window front end: start-up, the main window, shut-down. Returns the exit status.
int RunGui(int argc, char** argv);

}  // namespace vextral
