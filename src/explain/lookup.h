// GIO's lookup of a type's default replayed over what it reads, for why and the doctor: every
// list file in GIO's order, read once, and the desktop IDs each application folder holds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "explain/why.h"
#include "util/paths.h"

// One key of a group of a list file.
struct ListKey {
    size_t file;
    std::string group;
    std::string key;   // as the file spells it
    std::string value; // the raw value
    std::vector<std::string> ids;
};

struct Lookup {
    std::vector<ListFolder> folders;
    std::vector<ListFile> files;                                    // in GIO's reading order
    std::vector<bool> parsed;                                       // each file is there and parses
    std::vector<ListKey> keys;                                      // file by file, group by group
    std::unordered_map<std::string, std::vector<size_t>> by_type;   // canonical type: its keys
    std::vector<std::unordered_map<std::string, std::string>> apps; // per folder: ID -> file
    std::unordered_map<std::string, std::optional<std::string>> memo; // lookup_loads' answers
};

// One key of a list file for one type of the ancestry, with what GIO made of it.
struct LookupEntry {
    WhyList shown;
    size_t key; // in Lookup::keys
    size_t folder;
    size_t level; // the type's place in the ancestry
    bool read;    // GIO takes this group from this file
    bool cache;   // from mimeinfo.cache: a declaration, not a list the user sees
    std::vector<std::string> ids;
    std::vector<std::string> taken;   // what it put among the candidates
    std::vector<std::string> removed; // IDs GIO left out: Removed Associations name them
    std::vector<std::string> masked;  // IDs GIO ignores here: a folder before has the file
};

// GIO's answer as the replay finds it.
struct LookupAnswer {
    std::optional<std::string> id;
    std::string file; // the desktop file that loads
    int entry = -1;   // the entry that gave it
    size_t level = 0;
};

// Every list GIO reads and every application folder's desktop IDs, as they are now.
Lookup lookup_read();
// The desktop file of id in the application folder folder, as GIO finds it there (a file in a
// subfolder for each "-" of the ID: kde/foo.desktop is kde-foo.desktop); nullopt when none.
std::optional<std::string> lookup_app_file(const Lookup &lookup, size_t folder,
                                           const std::string &id);
// The desktop file GIO would start id from: the first folder's that loads as an application,
// hidden or not (GIO answers with a Hidden=true application all the same).
std::optional<std::string> lookup_loads(Lookup *lookup, const std::string &id);
// True when GIO ignores an association of folder for id: an earlier folder holds its file.
bool lookup_masked(const Lookup &lookup, size_t folder, const std::string &id);
// The entries every file gives the types of the ancestry (chain), each type's together, the
// type's own first, in GIO's reading order; without leaves that file out.
std::vector<LookupEntry> lookup_entries(const Lookup &lookup, const std::vector<std::string> &chain,
                                        size_t without = SIZE_MAX);
// GIO's lookup (g_app_info_get_default_for_type) replayed: for the type and then each parent in
// turn, every folder's defaults, then every folder's associations less those removed, and the
// first of them that loads is the answer. Records on each entry what it contributed.
LookupAnswer lookup_replay(Lookup *lookup, std::vector<LookupEntry> &entries, size_t levels);
