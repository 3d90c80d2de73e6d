// Candidate applications of an item and its current defaults, through GIO; from the
// application's side, the applications and the MIME types each declares.
#pragma once

#include <cstdint>
#include <gio/gio.h>
#include <span>
#include <string>
#include <vector>

#include "catalog/item.h"

// The applications GIO offers for the item's types: a single type's answer as GIO gives it, a
// category's each once, where it first occurs. A new list of references for the caller.
GList *apps_candidates(const Item &item);
// The current default of each type of the item, each application once: a new list of
// references for the caller. Empty when no type has a default.
GList *apps_defaults(const Item &item);
// What apps_candidates makes of GIO's answers when they are at hand: lists[i] holds the
// applications GIO gives for item.types[i] (borrowed). A new list of references.
GList *apps_candidates_from(const Item &item, std::span<GList *const> lists);
// What apps_defaults makes of the defaults at hand, one for each type of the item (borrowed,
// NULL for none): each application once. A new list of references.
GList *apps_defaults_from(std::span<GAppInfo *const> defaults);
// True when list holds an application g_app_info_equal to app.
bool apps_list_has(GList *list, GAppInfo *app);
// True when a and b hold the same applications, whatever their order.
bool apps_same_set(GList *a, GList *b);
// The name an application is listed by.
const char *apps_display_name(GAppInfo *app);
// Its Name= as the desktop file spells it, untranslated; the name it is listed by when it has
// no file.
std::string apps_untranslated_name(GAppInfo *app);
// What a user may know app by, each text once: first its names (as listed, untranslated), their
// count in *names, then its GenericName and Keywords, translated and untranslated.
std::vector<std::string> apps_known_as(GAppInfo *app, size_t *names);
// True when the folded search text (text_fold) is part of app's name, its untranslated Name,
// GenericName or Keywords, translated or not, or its desktop ID, each folded alike.
bool apps_search_finds(GAppInfo *app, const char *folded);
// The names count rows of rows from first (one of them) on are shown by: each its name, and where
// another of rows has the same name, its origin after it ("Firefox (Flatpak)"), or its desktop
// ID where their origins are the same too ("Mutt (neomutt.desktop)").
std::vector<std::string> apps_row_names(GList *rows, GList *first, size_t count);
// The desktop ID of app ("firefox-esr.desktop"), or "" for one without.
const char *apps_desktop_id(GAppInfo *app);
// The current default application of type (a new reference), or NULL.
GAppInfo *apps_default_for_type(const char *type);
// Path of the desktop file app comes from, or NULL for one without a file.
const char *apps_desktop_file(GAppInfo *app);
// apps sorted by name as the search folds it (letter case and accents aside), then by desktop
// ID: a new list of references.
GList *apps_sorted(std::span<GAppInfo *const> apps);
// How the desktop's menus take an application.
enum AppsShown : uint8_t {
    APPS_SHOWN,
    APPS_HIDDEN,  // NoDisplay=true, or another desktop's
    APPS_DELETED, // Hidden=true: deleted, by the desktop-entry rules
};
AppsShown apps_shown(GAppInfo *app);
// The application list: every application the desktop's menus would show that declares at least
// one MIME type; one they hide where GIO answers with it as the default of a type it declares or
// a list names; a deleted one where GIO still answers with it for a type a list names. Each once,
// sorted by name as the search folds it (letter case and accents aside), then by desktop ID. A
// new list of references.
GList *apps_listed();
// apps_listed and every other application the menus hide that declares a MIME type: what a
// command may name.
GList *apps_known();
// The labels of the application list's rows (listed as apps_listed lists them), in order: the
// names apps_row_names gives them, a hidden application's marked "(hidden)", a deleted one's
// "(deleted)".
std::vector<std::string> apps_listed_labels(GList *listed);
// The MIME types app declares, each once, in the order of its desktop file: a new
// NULL-terminated array (g_strfreev).
char **apps_declared_types(GAppInfo *app);
// The types the application list shows for app: those it declares and, for one the menus hide
// or a deleted one, after them the types a list names that GIO answers with it for. A new
// NULL-terminated array (g_strfreev).
char **apps_listed_types(GAppInfo *app);
// True when app is the current default of type.
bool apps_is_default_for(GAppInfo *app, const char *type);
// True when app asks to be started in a terminal (Terminal=true in its desktop file).
bool apps_runs_in_terminal(GAppInfo *app);
