// What the doctor reads once for its checks and its repairs: every list and desktop file GIO
// reads, GIO's answers, and the cache each application folder should have. Only the doctor's
// files include this.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "explain/lookup.h"

struct Catalog;
struct Item;

// A desktop file as GIO loads it and as update-desktop-database reads its types.
struct ScanDesktop {
    bool parses = false;
    bool broken = false;   // it does not load for what the file is (not for a program missing)
    std::string fault;     // why GIO does not load it, "" when it does
    std::string missing;   // the program it lacks, for a fault of TryExec or Exec
    bool hidden = false;   // Hidden=true
    bool terminal = false; // Terminal=true: GIO starts it in a terminal it looks for itself
    bool bus = false;      // GIO starts it through D-Bus, whatever its Exec says
    bool has_exec = false; // a non-empty Exec line
    std::string codes;     // the field codes of its Exec line, in order
    std::vector<std::string> declared; // the MimeType= entries a cache lists, each once
    std::vector<std::string> patterns; // MimeType= entries with a "*"
};

// GIO's answer for a type.
struct ScanAnswer {
    std::string id;
    std::string file;
};

// A default the lists name for a type that GIO passes over, though a folder holds its file.
struct ScanSkipped {
    std::string id;
    std::string list; // the list that names it
    std::string path; // its desktop file
};

// Everything the checks read, each read once.
struct Scan {
    Lookup lookup;
    std::vector<std::string> types; // the types looked at one by one, canonical, sorted
    size_t user_apps = SIZE_MAX;    // the user's application folder among lookup.folders
    std::unordered_map<std::string, ScanDesktop> desktops;
    std::unordered_map<std::string, std::optional<ScanAnswer>> answers;
    std::unordered_map<std::string, std::vector<ScanSkipped>> skipped;
};

// Where a folder's cache and its desktop files disagree, each an ID with its types.
struct ScanCacheDrift {
    // Declared but not listed: GIO never offers the application for these types.
    std::map<std::string, std::vector<std::string>> unlisted;
    // Listed but declared by no desktop file of the folder: GIO offers the ID all the same,
    // loaded from a later folder where this one no longer holds it.
    std::map<std::string, std::vector<std::string>> extra;
};

// True when list holds item.
bool scan_has(const std::vector<std::string> &list, const std::string &item);

// True for a key such as image/*, which GIO never matches.
bool scan_wildcard(const std::string &type);

// The desktop file at path as GIO loads it, read once.
const ScanDesktop &scan_desktop(Scan *scan, const std::string &path);

// GIO's own answer for type, asked once.
const std::optional<ScanAnswer> &scan_answer(Scan *scan, const std::string &type);

// GIO's answer as a finding gives it: the desktop ID, "" for none.
std::string scan_answer_id(Scan *scan, const std::string &type);

// The first desktop file of id in any application folder, loadable or not.
std::optional<std::string> scan_held(const Lookup &lookup, const std::string &id);

// The user's own folders: the configuration folder and the user's application folder.
bool scan_users(const Scan &scan, size_t folder);

// Whether GIO takes group from a list of kind.
bool scan_reads(ListKind kind, const std::string &group);

// What update-desktop-database writes into folder's cache: each type a desktop file of it
// declares, with the IDs that declare it.
std::map<std::string, std::set<std::string>> scan_expected_cache(Scan *scan, size_t folder);

// What GIO reads from folder's cache: each canonical type's IDs in the cache's order.
std::map<std::string, std::vector<std::string>> scan_read_cache(const Lookup &lookup,
                                                                size_t folder);

// The cache as update-desktop-database writes it: types and IDs in byte order.
std::string scan_cache_text(const std::map<std::string, std::set<std::string>> &cache);

// The cache file of application folder folder.
std::string scan_cache_path(const Lookup &lookup, size_t folder);

// What GIO would read from folder's cache once it is rebuilt: the rebuilt text read back as GIO
// reads it, so that an ID no cache can hold as it is (a ";" in its name) is the same on both
// sides of a comparison.
std::map<std::string, std::vector<std::string>> scan_rebuilt_read(Scan *scan, size_t folder);

// Where folder's cache and its desktop files disagree.
ScanCacheDrift scan_cache_drift(Scan *scan, size_t folder);

// Everything the checks read, with the types looked at one by one: the item's, or the
// catalogue's and every list's.
Scan scan_new(const Catalog *catalog, const Item *item);

// True when key (a type or a wildcard) concerns one of scope's types; every key does without a
// scope.
bool scan_concerns(const std::string &key, const std::vector<std::string> *scope);
