#include "appdb/apps.h"

#include <algorithm>
#include <cerrno>
#include <gio/gdesktopappinfo.h>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "appdb/aliases.h"
#include "appdb/app_set.h"
#include "appdb/journal.h"
#include "appdb/mimeapps.h"
#include "util/files.h"

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

// How long a quarve process waits for another one to finish its change.
constexpr int APPS_TURN_MS = 5000;

// The writers' lock, held from the first read of the settings to the journal's last write.
struct Turn {
    int fd = -1;
    Turn() = default;
    Turn(const Turn &) = delete;
    Turn &operator=(const Turn &) = delete;
    ~Turn() { files_unlock(fd); }
};

std::optional<std::string> take_turn(Turn *turn) {
    std::string path = journal_lock_path();
    g_autoptr(GError) error = nullptr;
    if (files_lock(path.c_str(), APPS_TURN_MS, &turn->fd, &error))
        return std::nullopt;
    if (g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_AGAIN))
        return std::string("another quarve is changing the settings");
    return std::string(error->message);
}

// Opens the settings file and computes a change of it, then writes it in one step; when
// another program wrote the file in between, the change is computed once more on what it wrote.
// make gives the new text for the file as it stands. The reason when nothing was written.
// *written tells whether anything had to change.
template <typename Make>
std::optional<std::string> write_change(MimeappsFile *file, std::string *before, bool *written,
                                        Make make) {
    *written = false;
    mimeapps_sweep(file->path.c_str());
    for (int attempt = 0;; attempt++) {
        if (auto refusal = mimeapps_open(file->path.c_str(), file))
            return refusal;
        *before = file->bytes;
        std::string next = make(*file);
        if (file->exists && next == file->bytes)
            return std::nullopt;
        *written = true;
        mimeapps_watch();
        bool changed = false;
        auto error = mimeapps_commit(file, next, &changed);
        if (!error)
            return std::nullopt;
        if (!changed || attempt > 0)
            return *error + (changed ? "; nothing was changed" : "");
    }
}

// Puts the file back as it was before a change GIO did not take.
std::optional<std::string> put_back(MimeappsFile *file, const std::string &before, bool existed) {
    mimeapps_watch();
    if (!existed) {
        g_autofree char *target = files_link_target(file->path.c_str());
        if (target != nullptr && unlink(target) != 0)
            return std::string(target) + ": " + g_strerror(errno);
    } else {
        bool changed = false;
        if (auto error = mimeapps_commit(file, before, &changed))
            return error;
    }
    mimeapps_reread(file);
    return std::nullopt;
}

// The types whose default GIO now answers with something else than want.
std::string not_in_effect(const std::vector<std::string> &types, GAppInfo *want) {
    std::string list;
    for (const std::string &t : types) {
        g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(t.c_str(), FALSE);
        if (now == nullptr || !g_app_info_equal(now, want))
            list += (list.empty() ? "" : ", ") + t;
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

std::string journal_add(JournalEntry entry) {
    std::vector<JournalEntry> journal = journal_load();
    journal.push_back(std::move(entry));
    std::string error;
    return journal_save(journal, &error) ? "" : error;
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

Outcome apps_assign(const Item &item, GAppInfo *app) {
    const std::string failed = "Failed to set default application: ";
    Turn turn;
    if (auto busy = take_turn(&turn))
        return outcome_failed(failed + *busy);
    const char *id = apps_desktop_id(app);
    std::vector<std::string> types = assigned_types(item);
    JournalEntry entry{id, apps_display_name(app), item.name, {}};
    MimeappsFile file{mimeapps_user_path(), "", false};
    std::string before;
    bool existed = false, written = false;
    auto make = [&](const MimeappsFile &now) {
        existed = now.exists;
        std::string next = mimeapps_with_default(now.bytes, types, id);
        entry.types.clear();
        for (const std::string &t : types)
            entry.types.push_back(
                {t, mimeapps_entry(now.bytes, t.c_str()), mimeapps_entry(next, t.c_str())});
        return next;
    };
    if (auto error = write_change(&file, &before, &written, make))
        return outcome_failed(failed + *error);
    // Recorded before GIO is asked, so that an interrupted run still leaves a way back.
    std::string journal_error = journal_add(entry);
    Outcome done = outcome_ok(entry.app_name + " is now default for " + item.name);
    if (!journal_error.empty())
        done.warning = "it cannot be undone: " + journal_error;
    if (written && !mimeapps_reread(&file))
        return done; // GIO cannot see the write (a link outside its watch): the file says it all
    // A desktop-specific list (gnome-mimeapps.list and the like) outranks the file GIO reads;
    // success is only what GIO itself now answers.
    std::string overridden = not_in_effect(types, app);
    if (overridden.empty())
        return done;
    std::string message = failed + "another setting takes precedence for " + overridden;
    if (auto error = put_back(&file, before, existed))
        message += "; the earlier settings could not be put back: " + *error;
    if (journal_error.empty()) {
        std::vector<JournalEntry> journal = journal_load();
        if (!journal.empty())
            journal.pop_back();
        journal_save(journal, &journal_error);
    }
    return outcome_failed(message);
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
    std::string what = last.app_name + " for " + last.item;
    // A type whose default someone else has changed since keeps that newer choice.
    std::vector<std::string> types;
    std::vector<MimeappsEntry> before;
    Outcome done;
    auto make = [&](const MimeappsFile &now) {
        types.clear();
        before.clear();
        done.types.clear();
        for (const JournalType &t : last.types) {
            if (mimeapps_entry(now.bytes, t.type.c_str()).values[0] == t.after.values[0]) {
                types.push_back(t.type);
                before.push_back(t.before);
            } else {
                done.types.push_back({t.type, "changed since"});
            }
        }
        return mimeapps_with_entries(now.bytes, types, before);
    };
    MimeappsFile file{mimeapps_user_path(), "", false};
    std::string earlier;
    bool written = false;
    if (auto error = write_change(&file, &earlier, &written, make))
        return outcome_failed(failed + *error);
    std::string changed;
    for (const OutcomeType &t : done.types)
        changed += (changed.empty() ? "" : ", ") + t.type;
    if (written && mimeapps_reread(&file)) {
        std::string held = not_restored(types, before);
        if (!held.empty()) {
            std::string message =
                "Failed to undo " + what + ": another setting takes precedence for " + held;
            if (auto error = put_back(&file, earlier, true))
                message += "; the later settings could not be put back: " + *error;
            return {false, message, done.types, ""};
        }
    }
    if (types.empty())
        done = {false, "Failed to undo " + what + ": changed since: " + changed, done.types, ""};
    else if (!changed.empty())
        done.message = "Undone: " + what + "; left alone, changed since: " + changed;
    else
        done.message = "Undone: " + what;
    journal.pop_back();
    if (!journal_save(journal, &why))
        done.warning = "the journal still holds it: " + why;
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
