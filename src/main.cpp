// quarve: choose the default application for kinds of files and links.
#include "cli/cli.h"
#include "tui/tui.h"

// Without arguments, the full-screen chooser; with any, the command line.
int main(int argc, char **argv) {
    return argc > 1 ? cli_main(argc, argv) : tui_main();
}
