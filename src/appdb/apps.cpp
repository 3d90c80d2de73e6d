#include "appdb/apps.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "appdb/aliases.h"
#include "appdb/app_set.h"
#include "appdb/change.h"
#include "appdb/journal.h"
#include "appdb/mimeapps.h"
#include "appdb/pins.h"
#include "appdb/turn.h"
#include "appdb/why.h"
#include "catalog/catalog.h"
#include "util/text.h"

namespace {

// The MIME types an assignment to the item sets: its own, each followed by the canonical type
// when it is an alias (files are detected under the canonical name), each type once.
std::vector<std::string> assigned_types(const Item &item) {
    std::vector<std::string> types;
    auto add = [&types](const std::string &t) {
        if (std::find(types.begin(), types.end(), t) == types.end())
            types.push_back(t);
    };
    for (const char *type : item.types) {
        add(type);
        if (auto canonical = aliases_canonical(type))
            add(*canonical);
    }
    return types;
}

// What decides a type instead: "TYPE: ID in FILE", or "TYPE: ID" when no list names it.
std::string decided_instead(const std::string &type) {
    WhyType why = why_type(type.c_str());
    std::string text = type + ": " + why.id.value_or("nothing");
    return why.decided_file ? text + " in " + *why.decided_file : text;
}

// The types whose default GIO now answers with something else than want, each with what
// decides it.
std::string not_in_effect(const std::vector<std::string> &types, GAppInfo *want) {
    std::string list;
    for (const std::string &t : types) {
        g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(t.c_str(), FALSE);
        if (now == nullptr || !g_app_info_equal(now, want))
            list += (list.empty() ? "" : "; ") + decided_instead(t);
    }
    return list;
}

// The types whose earlier default, as an undo put it back, GIO does not answer with. A type
// without an earlier default of its own has GIO's fallback, which is not checked.
std::string not_restored(const std::vector<std::string> &types,
                         const std::vector<MimeappsEntry> &entries) {
    std::string list;
    for (size_t i = 0; i < types.size(); i++) {
        const auto &value = entries[i].values[0];
        if (!value)
            continue;
        g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(types[i].c_str(), FALSE);
        g_auto(GStrv) ids = g_strsplit(value->c_str(), ";", -1);
        bool held = now != nullptr && g_app_info_get_id(now) != nullptr &&
                    g_strv_contains(ids, g_app_info_get_id(now));
        if (!held)
            list += (list.empty() ? "" : ", ") + types[i];
    }
    return list;
}

// A success whose changed types' pins have followed; a pin that could not is a warning, since
// the settings themselves are changed.
Outcome with_pins_followed(Outcome done, const std::vector<std::string> &types,
                           const std::string &settings) {
    std::string error = pins_follow(types, settings);
    if (!error.empty())
        done.warning += (done.warning.empty() ? "" : "; ") + error;
    return done;
}

// Each installed type the application declares itself that is a sub-class of one of types
// (at any depth), unless the catalogue lists it or the user's own lists name a default for it:
// files of that type would otherwise keep opening in the old application.
std::vector<std::string> declared_subtypes(const std::vector<std::string> &types, GAppInfo *app,
                                           Catalog *catalog) {
    std::vector<std::string> found;
    if (catalog == nullptr)
        return found;
    auto listed = [catalog](const std::string &type) {
        for (guint i = 0; i < catalog->categories->len; i++) {
            auto c = static_cast<Category *>(g_ptr_array_index(catalog->categories, i));
            for (char **t = c->mime_types; *t != nullptr; t++)
                if (aliases_unalias(*t) == type)
                    return true;
        }
        return false;
    };
    const char *const *declared = g_app_info_get_supported_types(app);
    for (const char *const *d = declared; d != nullptr && *d != nullptr; d++) {
        std::string type = aliases_unalias(*d);
        std::vector<std::string> ancestry = aliases_ancestry(type.c_str());
        bool below = std::any_of(ancestry.begin() + 1, ancestry.end(), [&](const std::string &a) {
            return std::find(types.begin(), types.end(), a) != types.end();
        });
        if (!below || std::find(types.begin(), types.end(), type) != types.end() ||
            std::find(found.begin(), found.end(), type) != found.end() || listed(type) ||
            why_user_default(type.c_str()))
            continue;
        found.push_back(type);
    }
    return found;
}

// The item's types the application declares neither itself nor through a type they are a kind
// of: the assignment stands, but the user should know.
std::string undeclared(const Item &item, GAppInfo *app) {
    std::string missing;
    for (const char *type : item.types)
        if (!aliases_covers(g_app_info_get_supported_types(app), type))
            missing += (missing.empty() ? "" : ", ") + std::string(type);
    return missing;
}

// The lists a change of types writes: the user's mimeapps.list, then each of the user's own
// desktop lists that names a default for one of them (it outranks mimeapps.list).
std::vector<ListWrite> lists_for(const std::vector<std::string> &types) {
    std::vector<ListWrite> lists(1);
    lists[0].file.path = mimeapps_user_path();
    for (const std::string &path : mimeapps_desktop_paths()) {
        g_autofree char *bytes = nullptr;
        if (!g_file_get_contents(path.c_str(), &bytes, nullptr, nullptr))
            continue;
        bool names = std::any_of(types.begin(), types.end(), [&](const std::string &t) {
            return mimeapps_entry(bytes, t.c_str()).values[0].has_value();
        });
        if (names) {
            lists.emplace_back();
            lists.back().file.path = path;
        }
    }
    return lists;
}

} // namespace

bool apps_list_has(GList *list, GAppInfo *app) {
    for (GList *l = list; l != nullptr; l = l->next)
        if (g_app_info_equal(app, G_APP_INFO(l->data)))
            return true;
    return false;
}

GList *apps_candidates(const Item &item) {
    std::vector<GList *> lists;
    for (const char *type : item.types)
        lists.push_back(g_app_info_get_all_for_type(type));
    GList *result = apps_candidates_from(item, lists);
    for (GList *list : lists)
        g_list_free_full(list, g_object_unref);
    return result;
}

GList *apps_defaults(const Item &item) {
    std::vector<GAppInfo *> defaults;
    for (const char *type : item.types)
        defaults.push_back(g_app_info_get_default_for_type(type, FALSE));
    GList *result = apps_defaults_from(defaults);
    for (GAppInfo *d : defaults)
        g_clear_object(&d);
    return result;
}

GList *apps_candidates_from(const Item &item, std::span<GList *const> lists) {
    AppSet taken;
    GList *result = nullptr;
    for (GList *all : lists) {
        for (GList *l = all; l != nullptr; l = l->next) {
            auto app = G_APP_INFO(l->data);
            if (!item.category || app_set_add(&taken, app))
                result = g_list_prepend(result, g_object_ref(app));
        }
    }
    return g_list_reverse(result);
}

GList *apps_defaults_from(std::span<GAppInfo *const> defaults) {
    AppSet taken;
    GList *result = nullptr;
    for (GAppInfo *d : defaults)
        if (d != nullptr && app_set_add(&taken, d))
            result = g_list_prepend(result, g_object_ref(d));
    return g_list_reverse(result);
}

bool apps_same_set(GList *a, GList *b) {
    AppSet in_a, in_b;
    for (GList *l = a; l != nullptr; l = l->next)
        app_set_add(&in_a, G_APP_INFO(l->data));
    for (GList *l = b; l != nullptr; l = l->next)
        app_set_add(&in_b, G_APP_INFO(l->data));
    return in_a.ids == in_b.ids && in_a.objects == in_b.objects;
}

Outcome apps_assign(const Item &item, GAppInfo *app, Catalog *catalog) {
    const std::string failed = "Failed to set default application: ";
    Turn turn;
    if (auto busy = take_turn(&turn))
        return outcome_failed(failed + *busy);
    const char *id = apps_desktop_id(app);
    std::vector<std::string> types = assigned_types(item);
    std::vector<std::string> subtypes = declared_subtypes(types, app, catalog);
    types.insert(types.end(), subtypes.begin(), subtypes.end());
    if (auto refusal = pins_refusal(types))
        return outcome_failed(failed + *refusal);
    JournalEntry entry{id, apps_display_name(app), item.name, {}};
    std::vector<ListWrite> lists = lists_for(types);
    auto make = [&](size_t index, const MimeappsFile &now) {
        // mimeapps.list gets everything GIO would write; a desktop list, which holds only
        // defaults, gets the new default where it names one.
        std::string next = now.bytes;
        std::string file = index == 0 ? "" : now.path;
        if (index == 0)
            next = mimeapps_with_default(now.bytes, types, id);
        else
            for (const std::string &t : types)
                if (mimeapps_entry(now.bytes, t.c_str()).values[0])
                    next = mimeapps_with_entries(next, {t}, {MimeappsEntry{{id, {}, {}}}});
        std::erase_if(entry.types, [&](const JournalType &t) { return t.file == file; });
        for (const std::string &t : types) {
            MimeappsEntry before = mimeapps_entry(now.bytes, t.c_str());
            MimeappsEntry after = mimeapps_entry(next, t.c_str());
            if (index == 0 || before != after)
                entry.types.push_back({t, before, after, file});
        }
        return next;
    };
    if (auto error = change_write(&lists, make))
        return outcome_failed(failed + *error);
    // Recorded before GIO is asked, so that an interrupted run still leaves a way back.
    std::string journal_error = change_journal_add(entry);
    Outcome done = outcome_ok(entry.app_name + " is now default for " + item.name);
    std::string missing = undeclared(item, app);
    if (!missing.empty())
        done.message += "; it does not declare " + missing;
    for (const std::string &t : subtypes)
        done.types.push_back({t, "subtype"});
    if (!journal_error.empty())
        done.warning = "it cannot be undone: " + journal_error;
    // GIO cannot see a write past its watch (a link outside it): then the file says it all.
    if (!change_reread(lists))
        return with_pins_followed(done, types, lists[0].file.bytes);
    // A list outside the user's folders may still outrank the user's: success is only what
    // GIO itself now answers.
    std::string overridden = not_in_effect(types, app);
    if (overridden.empty())
        return with_pins_followed(done, types, lists[0].file.bytes);
    std::string message = failed + "another setting takes precedence for " + overridden;
    if (auto error = change_put_back(&lists))
        message += "; the earlier settings could not be put back: " + *error;
    if (journal_error.empty())
        change_journal_drop_last();
    return outcome_failed(message);
}

Outcome apps_reset(const Item &item) {
    const std::string failed = "Failed to reset " + std::string(item.name) + ": ";
    Turn turn;
    if (auto busy = take_turn(&turn))
        return outcome_failed(failed + *busy);
    std::vector<std::string> types = assigned_types(item);
    if (auto refusal = pins_refusal(types))
        return outcome_failed(failed + *refusal);
    JournalEntry entry{"", "", item.name, {}};
    std::vector<ListWrite> lists = lists_for(types);
    auto make = [&](size_t index, const MimeappsFile &now) {
        std::string file = index == 0 ? "" : now.path;
        std::string next = mimeapps_with_entries(
            now.bytes, types, std::vector<MimeappsEntry>(types.size(), MimeappsEntry{}));
        std::erase_if(entry.types, [&](const JournalType &t) { return t.file == file; });
        for (const std::string &t : types) {
            MimeappsEntry before = mimeapps_entry(now.bytes, t.c_str());
            if (before != MimeappsEntry{})
                entry.types.push_back({t, before, {}, file});
        }
        return next;
    };
    if (auto error = change_write(&lists, make))
        return outcome_failed(failed + *error);
    Outcome done = outcome_ok("Reset: " + std::string(item.name) + " to the system defaults");
    if (!entry.types.empty()) {
        std::string journal_error = change_journal_add(entry);
        if (!journal_error.empty())
            done.warning = "it cannot be undone: " + journal_error;
    }
    change_reread(lists);
    return with_pins_followed(done, types, lists[0].file.bytes);
}

Outcome apps_assign_declared(GAppInfo *app) {
    g_auto(GStrv) types = apps_declared_types(app);
    size_t count = g_strv_length(types);
    // The item's name is what the status line and the journal call the change.
    std::string name = "every type it declares (" + std::to_string(count) + ")";
    return apps_assign({name.c_str(), {types, count}, false}, app);
}

Outcome apps_undo_last() {
    const std::string failed = "Failed to undo: ";
    Turn turn;
    if (auto busy = take_turn(&turn))
        return outcome_failed(failed + *busy);
    std::vector<JournalEntry> journal = journal_load();
    // An entry that names no type (a hand-edited journal) has nothing to take back.
    while (!journal.empty() && journal.back().types.empty())
        journal.pop_back();
    if (journal.empty())
        return outcome_ok("Nothing to undo");
    // An undo that could not take its entry off would be done again by the next one.
    std::string why;
    if (!journal_writable(&why))
        return outcome_failed(failed + "the journal cannot be written: " + why);
    const JournalEntry &last = journal.back();
    std::string what =
        last.app_id.empty() ? "the reset of " + last.item : last.app_name + " for " + last.item;
    // Each list the entry changed, the user's mimeapps.list first.
    std::vector<std::string> files = {""};
    for (const JournalType &t : last.types)
        if (std::find(files.begin(), files.end(), t.file) == files.end())
            files.push_back(t.file);
    std::vector<ListWrite> lists(files.size());
    for (size_t i = 0; i < files.size(); i++)
        lists[i].file.path = files[i].empty() ? mimeapps_user_path() : files[i];
    // A type whose default someone else has changed since keeps that newer choice.
    std::vector<std::string> types;
    std::vector<MimeappsEntry> before;
    Outcome done;
    auto make = [&](size_t index, const MimeappsFile &now) {
        std::vector<std::string> mine;
        std::vector<MimeappsEntry> earlier;
        std::erase_if(done.types, [&](const OutcomeType &t) { return t.detail == files[index]; });
        for (const JournalType &t : last.types) {
            if (t.file != files[index])
                continue;
            if (mimeapps_entry(now.bytes, t.type.c_str()).values[0] == t.after.values[0]) {
                mine.push_back(t.type);
                earlier.push_back(t.before);
            } else {
                done.types.push_back({t.type, files[index]});
            }
        }
        if (index == 0) {
            types = mine;
            before = earlier;
        }
        return mimeapps_with_entries(now.bytes, mine, earlier);
    };
    if (auto error = change_write(&lists, make))
        return outcome_failed(failed + *error);
    std::string changed;
    for (OutcomeType &t : done.types) {
        if (changed.find(t.type) == std::string::npos)
            changed += (changed.empty() ? "" : ", ") + t.type;
        t.detail = "changed since";
    }
    bool any = std::any_of(lists.begin(), lists.end(), [](auto &l) { return l.written; });
    if (any && change_reread(lists)) {
        std::string held = not_restored(types, before);
        if (!held.empty()) {
            std::string message =
                "Failed to undo " + what + ": another setting takes precedence for " + held;
            if (auto error = change_put_back(&lists))
                message += "; the later settings could not be put back: " + *error;
            return {false, message, done.types, ""};
        }
    }
    if (types.empty() && !any)
        done = {false, "Failed to undo " + what + ": changed since: " + changed, done.types, ""};
    else if (!changed.empty())
        done.message = "Undone: " + what + "; left alone, changed since: " + changed;
    else
        done.message = "Undone: " + what;
    journal.pop_back();
    if (!journal_save(journal, &why))
        done.warning = "the journal still holds it: " + why;
    return with_pins_followed(done, types, lists[0].file.bytes);
}

const char *apps_display_name(GAppInfo *app) {
    return g_app_info_get_name(app);
}

const char *apps_desktop_id(GAppInfo *app) {
    const char *id = g_app_info_get_id(app);
    return id ? id : "";
}

GAppInfo *apps_default_for_type(const char *type) {
    return g_app_info_get_default_for_type(type, FALSE);
}

const char *apps_desktop_file(GAppInfo *app) {
    if (!G_IS_DESKTOP_APP_INFO(app))
        return nullptr;
    return g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app));
}

GList *apps_listed() {
    struct Listed {
        std::string key; // the name, folded
        const char *id;
        GAppInfo *app;
    };
    g_autolist(GAppInfo) all = g_app_info_get_all();
    AppSet taken;
    std::vector<Listed> rows;
    for (GList *l = all; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        g_auto(GStrv) types = apps_declared_types(app);
        if (types[0] == nullptr || !g_app_info_should_show(app) || !app_set_add(&taken, app))
            continue;
        g_autofree char *key = text_fold(apps_display_name(app));
        rows.push_back({key, apps_desktop_id(app), app});
    }
    // Byte order of folded names puts "Éclair" among the E's whatever the locale says.
    std::sort(rows.begin(), rows.end(), [](const Listed &a, const Listed &b) {
        int c = a.key.compare(b.key);
        return c != 0 ? c < 0 : strcmp(a.id, b.id) < 0;
    });
    GList *result = nullptr;
    for (auto r = rows.rbegin(); r != rows.rend(); ++r)
        result = g_list_prepend(result, g_object_ref(r->app));
    return result;
}

char **apps_declared_types(GAppInfo *app) {
    GPtrArray *types = g_ptr_array_new();
    const char *const *declared = g_app_info_get_supported_types(app);
    for (const char *const *t = declared; t != nullptr && *t != nullptr; t++)
        if (**t != '\0' && !g_ptr_array_find_with_equal_func(types, *t, g_str_equal, nullptr))
            g_ptr_array_add(types, g_strdup(*t));
    g_ptr_array_add(types, nullptr);
    return reinterpret_cast<char **>(g_ptr_array_free(types, FALSE));
}

bool apps_is_default_for(GAppInfo *app, const char *type) {
    g_autoptr(GAppInfo) current = apps_default_for_type(type);
    return current != nullptr && g_app_info_equal(current, app);
}
