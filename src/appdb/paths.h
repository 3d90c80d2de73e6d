// The files quarve reads and writes, as the help texts of both faces name them.
#pragma once

#include <string>
#include <vector>

struct UsedFile {
    std::string path;
    const char *what;
};

// Each file (or set of files) with what it holds, in the order the help lists them.
std::vector<UsedFile> paths_used();
