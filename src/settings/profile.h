// Profiles: the user's default applications as a small key file to keep with the dotfiles
// (groups [Categories], [Types] and [Pins], each line KEY=DESKTOP-ID), read, made from the
// user's own lists, and made true in one change of the settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "catalog/item.h"
#include "util/outcome.h"

struct Catalog;

enum ProfileGroup : uint8_t {
    PROFILE_CATEGORIES, // CATEGORY=DESKTOP-ID
    PROFILE_TYPES,      // MIME/TYPE=DESKTOP-ID, or an extension
    PROFILE_PINS,       // ITEM=DESKTOP-ID, set and pinned
};

struct ProfileLine {
    ProfileGroup group;
    std::string key;    // a category's name, a MIME type or an extension, as written
    std::string app_id; // the desktop ID, ".desktop" added where it was left out
    size_t line = 0;    // its line in the file; 0 for one that export made
};

struct Profile {
    std::vector<ProfileLine> lines;    // in the file's order
    std::vector<std::string> warnings; // what is ignored: unknown groups, an item named again
};

// The profile text holds. The reason when it does not parse: "line N: why".
std::optional<std::string> profile_parse(std::string_view text, Profile *profile);
// The profile in the file at path. The reason when it cannot be read or does not parse ("PATH
// is a folder", "PATH is not a regular file", "PATH is too large for a profile (more than 1
// MiB)", "PATH cannot be read: why", "PATH: line N: why").
std::optional<std::string> profile_read(const char *path, Profile *profile);

// The item a line's key names in its group; nullopt with *why ("\"KEY\" is not a MIME type or a
// known file extension") when it names none, and an apply refuses the profile.
std::optional<Item> profile_line_item(const ProfileLine &line, Catalog *catalog, std::string *why);

// A line of a profile as an assignment: its item and its application.
struct ProfileChoice {
    Item item;
    std::string app_id;
    bool installed; // the desktop ID names an application GIO can load
    bool pin;       // a line of [Pins]
    std::string key;
    size_t line;
};

struct ProfileChoices {
    // In the order an apply makes them: the categories, then the single types (which win over a
    // category's line for their type, whatever their order), each in the file's order.
    std::vector<ProfileChoice> choices;
    std::vector<std::string> unknown; // "line N: …" for each key that names nothing
};

// The profile's lines as choices. An item that a later line names again is left to that line,
// with a warning in the profile's ("line N: ITEM is named again on line M; the last wins").
ProfileChoices profile_choices(Profile *profile, Catalog *catalog);

// The user's own choices as a profile: what the user's lists name as defaults (not GIO's
// fallbacks), each category whose every type has the same one as one [Categories] line, every
// other type as a [Types] line; a type such a line sets anyway (an alias's canonical type, a
// sub-class its application declares) is not repeated, but a sub-class a category's line sets
// that GIO opens in another application gets a [Types] line with that one. Pinned choices go to
// [Pins], as their pin names them. A line an apply would refuse (a key GIO takes but a profile
// cannot hold) is left out, with a warning ("left out KEY=ID: why"). *types (when given) gets
// every type those lines stand for, with its desktop ID, sorted: what a list that names types
// alone must hold.
Profile profile_export(Catalog *catalog, std::vector<std::pair<std::string, std::string>> *types);
// The profile as its file's text.
std::string profile_text(const Profile &profile);
// types as a home-manager setting: xdg.mimeApps.defaultApplications = { "TYPE" = "ID"; … };
std::string profile_home_manager(const std::vector<std::pair<std::string, std::string>> &types);

// One type an apply changes: GIO's default before (its desktop ID, "" for none) and after.
struct ProfileChange {
    std::string type, from, to;
};

// Makes every choice true as an assignment makes one, all in one change and one journal entry
// named name ("the profile FILE"), which one undo takes back; with pin_all every choice is also
// pinned. Refused, with nothing changed, when a key names nothing or an application is not
// installed (each named), and for what refuses an assignment. "Applied NAME: N types changed"
// (", M types pinned"), "Nothing to change: NAME is in effect", "Failed to apply NAME: why".
// The types changed are those whose settings any list gets anew. With dry_run
// nothing is written: *changes gets each type the settings would change, and the message says
// what the pins would ("Would pin: TYPE, …"), or "Nothing would change: NAME is in effect".
Outcome profile_apply(const ProfileChoices &choices, const std::string &name, Catalog *catalog,
                      bool pin_all, bool dry_run, std::vector<ProfileChange> *changes);
