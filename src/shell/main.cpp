// quarve: choose the default application for kinds of files and links.
#include "shell/shell.h"

int main() {
    return shell_main();
}
