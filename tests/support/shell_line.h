// A shell line run in the test's private environment, as a script or a user service runs it.
#pragma once

#include <string>

struct ShellSaid {
    int status;       // exit status, -1 when it did not exit (killed)
    std::string text; // standard output, then standard error
};

// Runs line with sh -c, after defining q as the quarve binary at binary.
ShellSaid shell_line(const char *binary, const std::string &line);
