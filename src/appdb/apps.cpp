#include "appdb/apps.h"

#include <algorithm>
#include <gio/gdesktopappinfo.h>
#include <optional>
#include <string>
#include <vector>

#include "appdb/aliases.h"
#include "appdb/app_set.h"
#include "appdb/journal.h"
#include "appdb/mimeapps.h"

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

// Sets app as the default for type and checks that GIO now answers with it. The reason when it
// failed or another setting still takes precedence.
std::optional<std::string> set_default_for_type(GAppInfo *app, const char *type) {
    g_autoptr(GError) error = nullptr;
    g_app_info_set_as_default_for_type(app, type, &error);
    if (error != nullptr)
        return std::string(error->message);
    // A desktop-specific list (gnome-mimeapps.list and the like) outranks the file GIO
    // writes; success is only what GIO itself now reports.
    g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(type, FALSE);
    if (now == nullptr || !g_app_info_equal(now, app))
        return std::string("another setting takes precedence for ") + type;
    return std::nullopt;
}

// Puts the first count types of entry back as they were before it.
bool restore_before(const MimeappsSession *session, const std::vector<JournalType> &types,
                    size_t count, std::string *error) {
    std::vector<const char *> names;
    std::vector<MimeappsEntry> before;
    for (size_t i = 0; i < count; i++) {
        names.push_back(types[i].type.c_str());
        before.push_back(types[i].before);
    }
    return count == 0 || mimeapps_restore(session, names.data(), before.data(), count, error);
}

// Every type set, or none: a failure puts back each type already changed, then reports.
std::optional<std::string> assign(GAppInfo *app, const MimeappsSession *session,
                                  JournalEntry *entry) {
    std::optional<std::string> failure;
    size_t touched = 0;
    for (const JournalType &t : entry->types) {
        touched++;
        if ((failure = set_default_for_type(app, t.type.c_str())))
            break;
    }
    std::string error;
    if (failure && !restore_before(session, entry->types, touched, &error))
        *failure += "; the earlier settings could not be put back: " + error;
    if (!mimeapps_end(session, &error) && !failure)
        failure = error;
    return failure;
}

} // namespace

bool apps_list_has(GList *list, GAppInfo *app) {
    for (GList *l = list; l != nullptr; l = l->next)
        if (g_app_info_equal(app, G_APP_INFO(l->data)))
            return true;
    return false;
}

GList *apps_candidates(const Item &item) {
    AppSet taken;
    GList *result = nullptr;
    for (const char *type : item.types) {
        g_autolist(GAppInfo) all = g_app_info_get_all_for_type(type);
        for (GList *l = all; l != nullptr; l = l->next) {
            auto app = G_APP_INFO(l->data);
            if (!item.category || app_set_add(&taken, app))
                result = g_list_prepend(result, g_object_ref(app));
        }
    }
    return g_list_reverse(result);
}

GList *apps_defaults(const Item &item) {
    AppSet taken;
    GList *result = nullptr;
    for (const char *type : item.types) {
        GAppInfo *d = g_app_info_get_default_for_type(type, FALSE);
        if (d != nullptr && app_set_add(&taken, d))
            result = g_list_prepend(result, d);
        else if (d != nullptr)
            g_object_unref(d);
    }
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

Outcome apps_assign(const Item &item, GAppInfo *app) {
    std::string path = mimeapps_user_path();
    MimeappsSession session;
    if (auto refusal = mimeapps_begin(path.c_str(), &session))
        return outcome_failed("Failed to set default application: " + *refusal);
    const char *id = g_app_info_get_id(app);
    JournalEntry entry{id ? id : "", apps_display_name(app), item.name, {}};
    for (const std::string &type : assigned_types(item))
        entry.types.push_back({type, mimeapps_read(&session, type.c_str()), {}});
    Outcome done = outcome_ok(entry.app_name + " is now default for " + item.name);
    if (auto failure = assign(app, &session, &entry))
        return outcome_failed("Failed to set default application: " + *failure);
    // Undo is a comfort: a journal that cannot be written does not make the assignment fail.
    for (JournalType &t : entry.types)
        t.after = mimeapps_read(&session, t.type.c_str());
    std::vector<JournalEntry> journal = journal_load();
    journal.push_back(std::move(entry));
    std::string error;
    journal_save(journal, &error);
    return done;
}

Outcome apps_undo_last() {
    std::vector<JournalEntry> journal = journal_load();
    if (journal.empty())
        return outcome_ok("Nothing to undo");
    const JournalEntry &last = journal.back();
    std::string path = mimeapps_user_path();
    MimeappsSession session;
    if (auto refusal = mimeapps_begin(path.c_str(), &session))
        return outcome_failed("Failed to undo: " + *refusal);
    // A type whose default someone else has changed since keeps that newer choice.
    std::vector<const char *> types;
    std::vector<MimeappsEntry> before;
    std::string changed;
    Outcome done;
    for (const JournalType &t : last.types) {
        if (mimeapps_read(&session, t.type.c_str()).values[0] == t.after.values[0]) {
            types.push_back(t.type.c_str());
            before.push_back(t.before);
        } else {
            changed += (changed.empty() ? "" : ", ") + t.type;
            done.types.push_back({t.type, "changed since"});
        }
    }
    std::string error;
    bool ok = types.empty() ||
              mimeapps_restore(&session, types.data(), before.data(), types.size(), &error);
    ok = mimeapps_end(&session, &error) && ok;
    if (!ok)
        return outcome_failed("Failed to undo: " + error);
    std::string what = last.app_name + " for " + last.item;
    if (types.empty())
        done = {false, "Failed to undo " + what + ": changed since: " + changed, done.types};
    else if (!changed.empty())
        done.message = "Undone: " + what + "; left alone, changed since: " + changed;
    else
        done.message = "Undone: " + what;
    journal.pop_back();
    journal_save(journal, &error);
    return done;
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
