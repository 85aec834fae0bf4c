// One binary: a subcommand (or --help / --version) runs the command line without any
// window toolkit; anything else opens the window.

#include "app/gui/GuiApp.h"
#include "cli/CliApp.h"

int main(int argc, char** argv) {
    if (vextral::IsCliInvocation(argc, argv))
        return vextral::RunCli(argc, argv);
    return vextral::RunGui(argc, argv);
}
