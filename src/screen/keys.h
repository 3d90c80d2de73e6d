// What the screen says of its keys, in one table: the help overlay's lines, the help line's hints
// and the command line's summary of the screen's keys. The screen face binds the keys to actions.
#pragma once

#include <string>
#include <vector>

// The help overlay's lines (a line without a text is a section heading) and the help line: the
// help line's own text, and the hints added after it, each shown only where it fits whole.
struct KeyHelpLine {
    const char *keys;
    const char *what;
};
struct KeyHelp {
    std::vector<KeyHelpLine> lines;
    std::string hints;
    std::vector<std::string> added;
};

// The help of every key, made once from the table.
const KeyHelp *keys_help();
// The screen's keys in the parts of one sentence, for the command line's help: "Up and Down
// move", "Tab goes to the applications", …, "q quits".
std::vector<std::string> keys_summary();
