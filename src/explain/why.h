// Why a MIME type opens in the application it opens in: every list GIO reads for it, in GIO's
// order, with the one that decides, and what GIO itself answers.
#pragma once

#include <optional>
#include <string>
#include <vector>

// One key of a list file that names the type.
struct WhyList {
    std::string file;
    std::string group;
    std::string value;
    std::string verdict; // "decides", "outranked" or "skipped"
    std::string reason;  // why it was skipped or outranked; "" when it decides
};

// The terminal GIO starts an application that asks for one in (Terminal=true).
struct WhyTerminal {
    std::optional<std::string> program; // nullopt: GIO finds none and refuses to start it
    std::optional<std::string> option;  // between the terminal and the command ("-e")
    // The whole command: the terminal, its option, then the application's own (for a type, its
    // Exec line with the field codes as written).
    std::vector<std::string> argv;
    std::string rule;               // "the first of GLib 2.74's terminals found in PATH"
    std::vector<std::string> known; // the terminals it looks for, in its order
};

struct WhyType {
    std::string type;
    // GIO's answer; nullopt when it has none.
    std::optional<std::string> id, name, file;
    // The other copies of the answer's desktop ID in the application folders: GIO ignores them.
    std::vector<std::string> hidden_copies;
    // The list entry that decides, when one does.
    std::optional<std::string> decided_file, decided_group;
    std::optional<std::string> inherited_from; // the parent type whose default GIO answers with
    bool declared = false; // the default application declares the type or a parent type of it
    std::string decision;  // one line: what decides, in words
    std::vector<WhyList> lists;
    std::optional<std::string> command;  // for a file or a link: what GIO would run
    std::optional<WhyTerminal> terminal; // for an application that asks for a terminal
    bool passed = true;                  // the file or link reaches the command
};

// The explanation of type.
WhyType why_type(const char *type);
// The explanation of what opens target, a file or a URL (scheme:...), as `gio open` opens it:
// the link's scheme first, then the file's content type as GIO reads it, with the command GIO
// would run. nullopt with the reason in error when there is no such file.
std::optional<WhyType> why_target(const char *target, std::string *error);
// The explanation as lines of text, for the command line and the screen.
std::vector<std::string> why_text(const WhyType &why);
