// The user's own default-application settings file, as GIO keeps it, and the care quarve takes
// around GIO's writes to it: a damaged, read-only or linked file, and exact restores.
#pragma once

#include <array>
#include <optional>
#include <string>

// The values one MIME type has in the user's mimeapps.list, one per group below, as the file
// spells them; nullopt where the type has no key in that group.
constexpr std::array<const char *, 3> MIMEAPPS_GROUPS = {
    "Default Applications", "Added Associations", "Removed Associations"};
struct MimeappsEntry {
    std::array<std::optional<std::string>, MIMEAPPS_GROUPS.size()> values;
    bool operator==(const MimeappsEntry &) const = default;
};

// How the settings file stood before a change: what a link pointed to, to put it back after
// GIO has replaced it by a plain file.
struct MimeappsSession {
    std::string path;
    std::optional<std::string> link_text; // the link as it was written, when path is a link
    std::string target;                   // the file the link ends at
};

// Path of the settings file GIO writes defaults into.
std::string mimeapps_user_path();
// Checks that path may be changed and opens a session on it. Otherwise returns the reason
// ("PATH cannot be read", "PATH is read-only", "PATH is a link to a file that cannot be
// written"), and nothing may be written.
std::optional<std::string> mimeapps_begin(const char *path, MimeappsSession *session);
// The entry of type in the file as it stands now (all nullopt when there is no file).
MimeappsEntry mimeapps_read(const MimeappsSession *session, const char *type);
// Writes the given entries back, each key as recorded or removed, and makes GIO read the file
// again so that its answers in this process follow at once. False with error on a failed write.
bool mimeapps_restore(const MimeappsSession *session, const char *const *types,
                      const MimeappsEntry *entries, size_t count, std::string *error);
// Ends a session: when GIO replaced a link by a plain file, the file's bytes go to the link's
// target and the link is put back.
bool mimeapps_end(const MimeappsSession *session, std::string *error);
