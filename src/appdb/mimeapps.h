// The user's own default-application settings file, as GIO keeps it: reading it, computing a
// change of it as GIO would write it, one atomic write per change, and making GIO read it again.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

// The values one MIME type has in the user's mimeapps.list, one per group below, as the file
// spells them; nullopt where the type has no key in that group.
constexpr std::array<const char *, 3> MIMEAPPS_GROUPS = {
    "Default Applications", "Added Associations", "Removed Associations"};
struct MimeappsEntry {
    std::array<std::optional<std::string>, MIMEAPPS_GROUPS.size()> values;
    bool operator==(const MimeappsEntry &) const = default;
};

// The file as quarve read it before a change.
struct MimeappsFile {
    std::string path;  // where GIO reads it: $XDG_CONFIG_HOME/mimeapps.list
    std::string bytes; // its contents ("" when there is none)
    bool exists = false;
};

// Path of the settings file GIO writes defaults into.
std::string mimeapps_user_path();
// The user's own desktop-specific lists (NAME-mimeapps.list in the same folder, one for each
// name in XDG_CURRENT_DESKTOP, in its order), which outrank mimeapps.list; whether they exist
// or not.
std::vector<std::string> mimeapps_desktop_paths();
// Reads the file at path after checking that it may be changed. Otherwise returns the reason
// ("PATH cannot be read", "PATH is read-only", "PATH is a link to a file that cannot be
// written"), and nothing may be written.
std::optional<std::string> mimeapps_open(const char *path, MimeappsFile *file);
// The entry of type in the settings text bytes.
MimeappsEntry mimeapps_entry(const std::string &bytes, const char *type);
// bytes with app_id made the default of every type as GIO makes it: the Default Applications
// value, the application added to Added Associations where it is missing, and taken out of
// Removed Associations. Every other group, key and comment stays.
std::string mimeapps_with_default(const std::string &bytes, const std::vector<std::string> &types,
                                  const char *app_id);
// bytes with each type's keys as entries give them (a missing value removes the key); a group
// left empty goes too.
std::string mimeapps_with_entries(const std::string &bytes, const std::vector<std::string> &types,
                                  const std::vector<MimeappsEntry> &entries);
// Removes what interrupted writes of the file at path left: temporary files beside its target,
// reread markers. Only under the writers' lock.
void mimeapps_sweep(const char *path);
// Replaces the file with bytes in one step, through its link, unless it changed since it was
// read into file (then "changed" is set and nothing is written). Updates file on success. The
// reason when it could not be written.
std::optional<std::string> mimeapps_commit(MimeappsFile *file, const std::string &bytes,
                                           bool *changed);
// Starts watching for GIO to take in a write; call before the write, then mimeapps_reread after.
void mimeapps_watch();
// Makes GIO in this process read the settings again after file was written, without writing
// the file or its link, and waits for it (a few seconds at most). False when GIO could not be
// made to notice: its answers may then be the earlier ones.
bool mimeapps_reread(const MimeappsFile *file);
