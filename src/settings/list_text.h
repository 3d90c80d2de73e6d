// Edits of a settings list's text (mimeapps.list) that keep every other byte as the user has it,
// read once for any number of keys, so that a change of N types costs one pass of the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// One line of the text, as a key-file reader sees it.
struct ListLine {
    std::string text; // without its line end
    bool cr = false;  // it ends in a carriage return and a line feed
    uint8_t kind;     // LIST_LINE_*
    bool gone = false;
    std::string name;              // the group's name, or the entry's key
    size_t group = SIZE_MAX;       // the line of its group's header, for a line in a group
    std::vector<size_t> followers; // lines added right after this one, in order
    bool follows = false;          // an added line, written after the line that lists it
};

constexpr uint8_t LIST_LINE_BLANK = 0;
constexpr uint8_t LIST_LINE_COMMENT = 1;
constexpr uint8_t LIST_LINE_GROUP = 2;
constexpr uint8_t LIST_LINE_ENTRY = 3;

struct ListText {
    std::vector<ListLine> lines;
    bool crlf = false; // the file's first line ends in CRLF: so do the lines quarve writes
    // Each group's header lines and each key's lines; a group that appears twice is one group,
    // as GKeyFile reads it.
    std::unordered_map<std::string, std::vector<size_t>> groups;
    std::unordered_map<std::string, std::vector<size_t>> keys; // "group\nkey"
    // Per group header: the line new keys follow, once found.
    std::unordered_map<size_t, size_t> insert_after;
    std::vector<size_t> emptied; // group headers whose keys an edit removed
    size_t parsed = 0;           // lines read from the text; those after it are new
};

// The text parsed for edits.
ListText list_text_parse(const std::string &text);
// The raw value of key in group as GKeyFile reads it (the last line of the key wins), or
// nullopt without one.
std::optional<std::string> list_text_get(const ListText &list, const char *group, const char *key);
// Sets key of group to value (a raw key-file value), or removes it when value is nullopt. A key
// that is there keeps its place; a new one goes after the group's last line, a new group to the
// end. A group left without entries or comments goes, with the blank line before it.
void list_text_put(ListText *list, const char *group, const char *key,
                   const std::optional<std::string> &value);
// The text with every edit made.
std::string list_text_join(const ListText &list);

// One edit on a whole text: list_text_parse, list_text_put, list_text_join.
std::string list_text_set(const std::string &text, const char *group, const char *key,
                          const std::optional<std::string> &value);
