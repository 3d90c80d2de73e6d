// The user's own default-application settings file, as GIO keeps it: reading it, computing a
// change of it as GIO would write it, and making GIO read it again.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/list_text.h"
#include "util/paths.h"

// The values one MIME type has in the user's mimeapps.list, one per group below, as the file
// spells them; nullopt where the type has no key in that group.
constexpr const char *MIMEAPPS_DEFAULTS = PATHS_GROUP_DEFAULTS;
constexpr const char *MIMEAPPS_ADDED = PATHS_GROUP_ADDED;
constexpr const char *MIMEAPPS_REMOVED = PATHS_GROUP_REMOVED;
constexpr std::array<const char *, 3> MIMEAPPS_GROUPS = {MIMEAPPS_DEFAULTS, MIMEAPPS_ADDED,
                                                         MIMEAPPS_REMOVED};
struct MimeappsEntry {
    std::array<std::optional<std::string>, MIMEAPPS_GROUPS.size()> values;
    bool operator==(const MimeappsEntry &) const = default;
};

// Reads the list at path into *bytes (nullopt when there is none) after checking that it may be
// changed. Otherwise returns the reason ("PATH cannot be read", "PATH is read-only", "PATH is a
// link to a file that cannot be written"), and nothing may be written.
std::optional<std::string> mimeapps_open(const char *path, std::optional<std::string> *bytes);
// The entry of type in a list's text.
MimeappsEntry mimeapps_entry(const ListText &list, const char *type);
MimeappsEntry mimeapps_entry(const std::string &bytes, const char *type);
// The list with app_id made the default of every type as GIO makes it: the Default Applications
// value, the application added to Added Associations where it is missing, and taken out of
// Removed Associations. Every other group, key and comment stays.
void mimeapps_set_default(ListText *list, const std::vector<std::string> &types,
                          const char *app_id);
std::string mimeapps_with_default(const std::string &bytes, const std::vector<std::string> &types,
                                  const char *app_id);
// The list with type's keys as entry gives them (a missing value removes the key); a group left
// empty goes too.
void mimeapps_set_entry(ListText *list, const char *type, const MimeappsEntry &entry);
std::string mimeapps_with_entries(const std::string &bytes, const std::vector<std::string> &types,
                                  const std::vector<MimeappsEntry> &entries);
// The first application a Default Applications value names ("a.desktop;b.desktop;"), with
// those GIO cannot load skipped as GIO skips them; the first named when none loads; nullopt for
// an empty value.
std::optional<std::string> mimeapps_first_installed(const std::string &value);
// The same, but nullopt when none loads: what GIO answers with from the value.
std::optional<std::string> mimeapps_first_loading(const std::string &value);
// Every list GIO reads defaults from, in its order of precedence: in the user's configuration
// folder, the system's, the user's application folder and the system's, the desktop-specific
// lists first, then mimeapps.list, and in application folders the older defaults.list.
std::vector<std::string> mimeapps_read_order();
// What GIO answers for each of types from the Default Applications of every list it reads, with
// the lists of replaced (path, bytes) read as those bytes instead: the first installed
// application named, and the list that names it; nullopt where no list names one. For a change
// that names a default, before it is written: an earlier list naming another application
// outranks it, and GIO will not answer with it.
struct MimeappsDefault {
    std::string id;
    std::string file;
};
std::vector<std::optional<MimeappsDefault>>
mimeapps_first_defaults(const std::vector<std::string> &types,
                        const std::vector<std::pair<std::string, std::string>> &replaced);
// The types (by their canonical names) that one of the user's own lists names a default for:
// in the user's configuration folder or in XDG_DATA_HOME/applications.
std::vector<std::string> mimeapps_user_default_types();
// The same types, each (by its canonical name) with the default the first of those lists in GIO's
// order that names an installed application for it gives: the first installed one it names. A
// type no list names an installed application for is left out, as GIO passes over it.
std::vector<std::pair<std::string, std::string>> mimeapps_user_defaults();
// Removes what interrupted rereads left beside the settings. Only under the writers' lock.
void mimeapps_sweep();
// Starts watching for GIO to take in a write; call before the write, then mimeapps_reread after.
void mimeapps_watch();
// Makes GIO in this process read the settings again after the list at path was written, without
// writing the list or its link, and waits for it (a few seconds at most). False when GIO could
// not be made to notice: its answers may then be the earlier ones.
bool mimeapps_reread(const std::string &path);
// The same after a file GIO reads in the application folder folder was written (its cache).
bool mimeapps_reread_folder(const std::string &folder);
