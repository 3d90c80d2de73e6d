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
#include "catalog/catalog.h"
#include "state/devmode.h"
#include "state/state.h"

namespace {

// The MIME types an assignment to the item sets: its own, each followed by the canonical type
// when it is an alias (files are detected under the canonical name), each type once.
std::vector<std::string> assigned_types(AppState *s, int32_t index) {
    std::vector<std::string> types;
    auto add = [&types](const std::string &t) {
        if (std::find(types.begin(), types.end(), t) == types.end())
            types.push_back(t);
    };
    for (const char *type : view_item_types(s, index)) {
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
bool assign(AppState *s, GAppInfo *app, const MimeappsSession *session, JournalEntry *entry) {
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
    if (failure) {
        state_set_status(s, "Failed to set default application: %s", failure->c_str());
        return false;
    }
    return true;
}

} // namespace

bool apps_list_has(GList *list, GAppInfo *app) {
    for (GList *l = list; l != nullptr; l = l->next)
        if (g_app_info_equal(app, G_APP_INFO(l->data)))
            return true;
    return false;
}

GList *apps_for_item(AppState *s, int32_t index) {
    // A single MIME type lists GIO's answer as it stands; a category lists each application
    // once, where it first occurs.
    bool merge = s->mode == MODE_CATEGORIES;
    AppSet taken;
    GList *result = nullptr;
    for (const char *type : view_item_types(s, index)) {
        g_autolist(GAppInfo) all = g_app_info_get_all_for_type(type);
        for (GList *l = all; l != nullptr; l = l->next) {
            auto app = G_APP_INFO(l->data);
            if (!merge || app_set_add(&taken, app))
                result = g_list_prepend(result, g_object_ref(app));
        }
    }
    return g_list_reverse(result);
}

GList *apps_defaults_for_item(AppState *s, int32_t index) {
    AppSet taken;
    GList *result = nullptr;
    for (const char *type : view_item_types(s, index)) {
        GAppInfo *d = g_app_info_get_default_for_type(type, FALSE);
        if (d != nullptr && app_set_add(&taken, d))
            result = g_list_prepend(result, d);
        else if (d != nullptr)
            g_object_unref(d);
    }
    return g_list_reverse(result);
}

void apps_reload(AppState *s) {
    state_free_apps(s);
    if (s->dev_mode)
        dev_apps_reload(s);
    else
        s->apps = apps_for_item(s, s->selected);
    s->app_selected = 0;
}

bool apps_refresh(AppState *s) {
    if (s->dev_mode)
        return false;
    g_autolist(GAppInfo) fresh = apps_for_item(s, s->selected);
    AppSet shown, now;
    for (GList *l = s->apps; l != nullptr; l = l->next)
        app_set_add(&shown, G_APP_INFO(l->data));
    for (GList *l = fresh; l != nullptr; l = l->next)
        app_set_add(&now, G_APP_INFO(l->data));
    if (shown.ids == now.ids && shown.objects == now.objects)
        return false;
    auto chosen = static_cast<GAppInfo *>(g_list_nth_data(s->apps, s->app_selected));
    int32_t index = 0;
    for (GList *l = fresh; chosen != nullptr && l != nullptr; l = l->next, index++)
        if (g_app_info_equal(chosen, G_APP_INFO(l->data)))
            break;
    state_free_apps(s);
    s->app_selected = index < static_cast<int32_t>(g_list_length(fresh)) ? index : 0;
    s->apps = g_steal_pointer(&fresh);
    return true;
}

void apps_set_default(AppState *s) {
    auto app = static_cast<GAppInfo *>(g_list_nth_data(s->apps, s->app_selected));
    const char *item = view_item_name(s, s->selected);
    if (app == nullptr || item == nullptr)
        return;
    std::string path = mimeapps_user_path();
    MimeappsSession session;
    if (auto refusal = mimeapps_begin(path.c_str(), &session)) {
        state_set_status(s, "Failed to set default application: %s", refusal->c_str());
        return;
    }
    const char *id = g_app_info_get_id(app);
    JournalEntry entry{id ? id : "", apps_display_name(app), item, {}};
    for (const std::string &type : assigned_types(s, s->selected))
        entry.types.push_back({type, mimeapps_read(&session, type.c_str()), {}});
    state_set_status(s, "%s is now default for %s", entry.app_name.c_str(), item);
    if (!assign(s, app, &session, &entry))
        return;
    // Undo is a comfort: a journal that cannot be written does not make the assignment fail.
    for (JournalType &t : entry.types)
        t.after = mimeapps_read(&session, t.type.c_str());
    std::vector<JournalEntry> journal = journal_load();
    journal.push_back(std::move(entry));
    std::string error;
    journal_save(journal, &error);
}

void apps_undo(AppState *s) {
    std::vector<JournalEntry> journal = journal_load();
    if (journal.empty()) {
        state_set_status(s, "Nothing to undo");
        return;
    }
    const JournalEntry &last = journal.back();
    std::string path = mimeapps_user_path();
    MimeappsSession session;
    if (auto refusal = mimeapps_begin(path.c_str(), &session)) {
        state_set_status(s, "Failed to undo: %s", refusal->c_str());
        return;
    }
    // A type whose default someone else has changed since keeps that newer choice.
    std::vector<const char *> types;
    std::vector<MimeappsEntry> before;
    std::string changed;
    for (const JournalType &t : last.types) {
        if (mimeapps_read(&session, t.type.c_str()).values[0] == t.after.values[0]) {
            types.push_back(t.type.c_str());
            before.push_back(t.before);
        } else {
            changed += (changed.empty() ? "" : ", ") + t.type;
        }
    }
    std::string error;
    bool ok = types.empty() ||
              mimeapps_restore(&session, types.data(), before.data(), types.size(), &error);
    ok = mimeapps_end(&session, &error) && ok;
    if (!ok) {
        state_set_status(s, "Failed to undo: %s", error.c_str());
        return;
    }
    if (types.empty())
        state_set_status(s, "Failed to undo %s for %s: changed since: %s", last.app_name.c_str(),
                         last.item.c_str(), changed.c_str());
    else if (!changed.empty())
        state_set_status(s, "Undone: %s for %s; left alone, changed since: %s",
                         last.app_name.c_str(), last.item.c_str(), changed.c_str());
    else
        state_set_status(s, "Undone: %s for %s", last.app_name.c_str(), last.item.c_str());
    journal.pop_back();
    journal_save(journal, &error);
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
