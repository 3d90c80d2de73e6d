// Assigning a default, handing an item back to the system and taking a change back: the
// settings lists, the journal and the pins, each change one transaction.
#include "settings/assign.h"

#include <algorithm>
#include <gio/gdesktopappinfo.h>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "catalog/catalog.h"
#include "registry/aliases.h"
#include "registry/apps.h"
#include "registry/terminal.h"
#include "settings/change.h"
#include "settings/journal.h"
#include "settings/list_text.h"
#include "settings/mimeapps.h"
#include "settings/pins.h"
#include "util/files.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// The MIME types an assignment to the item sets: its own, each followed by the canonical type
// when it is an alias (files are detected under the canonical name), each type once.
std::vector<std::string> assigned_types(const Item &item) {
    std::vector<std::string> types;
    std::unordered_set<std::string> seen;
    auto add = [&](const std::string &t) {
        if (seen.insert(t).second)
            types.push_back(t);
    };
    for (const char *type : item.types) {
        add(type);
        if (auto canonical = aliases_canonical(type))
            add(*canonical);
    }
    return types;
}

// What decides a type instead of want: "TYPE: ID in FILE", or "TYPE: ID" when no list names
// GIO's answer first.
std::string decided_instead(const std::string &type, GAppInfo *now) {
    std::string id = now != nullptr ? apps_desktop_id(now) : "nothing";
    std::optional<MimeappsDefault> first = mimeapps_first_defaults({type}, {})[0];
    std::string text = type + ": " + id;
    return first && first->id == id ? text + " in " + first->file : text;
}

// How many types GIO itself is asked about after a change. Each question makes GIO read the
// answer's desktop file afresh, which for an application of thousands of types costs as much
// as the change; the lists' own reading (mimeapps_first_defaults) has judged every type before
// the write, and GIO's word on the first ones tells whether it reads what was written.
constexpr size_t APPS_CHECKED_TYPES = 64;

// The types whose default GIO now answers with something else than the application wanted for
// it (want, one for each type), each with what decides it.
std::string not_in_effect(const std::vector<std::string> &types,
                          const std::vector<GAppInfo *> &want) {
    std::string list;
    for (size_t i = 0; i < std::min(types.size(), APPS_CHECKED_TYPES); i++) {
        g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(types[i].c_str(), FALSE);
        if (now == nullptr || !g_app_info_equal(now, want[i]))
            list += (list.empty() ? "" : "; ") + decided_instead(types[i], now);
    }
    return list;
}

// The types whose earlier default, as an undo put it back, GIO does not answer with. A type
// without an earlier default of its own has GIO's fallback, which is not checked.
std::string not_restored(const std::vector<std::string> &types,
                         const std::vector<MimeappsEntry> &entries) {
    std::string list;
    for (size_t i = 0; i < std::min(types.size(), APPS_CHECKED_TYPES); i++) {
        const auto &value = entries[i].values[0];
        std::optional<std::string> first = value ? mimeapps_first_installed(*value) : std::nullopt;
        g_autoptr(GDesktopAppInfo) named = first ? g_desktop_app_info_new(first->c_str()) : nullptr;
        // Without an earlier default GIO can load, its answer is its own fallback.
        if (named == nullptr)
            continue;
        g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(types[i].c_str(), FALSE);
        bool held = now != nullptr && g_app_info_equal(now, G_APP_INFO(named));
        if (!held)
            list += (list.empty() ? "" : ", ") + types[i];
    }
    return list;
}

// Each installed type the application declares itself that is a sub-class of one of types
// (at any depth), unless the catalogue lists it or the user's own lists name a default for it:
// files of that type would otherwise keep opening in the old application.
std::vector<std::string> declared_subtypes(const std::vector<std::string> &types, GAppInfo *app,
                                           Catalog *catalog) {
    std::vector<std::string> found;
    if (catalog == nullptr)
        return found;
    std::unordered_set<std::string> listed, taken(types.begin(), types.end());
    for (guint i = 0; i < catalog->categories->len; i++) {
        auto c = static_cast<Category *>(g_ptr_array_index(catalog->categories, i));
        for (char **t = c->mime_types; *t != nullptr; t++)
            listed.insert(aliases_unalias(*t));
    }
    std::vector<std::string> users = mimeapps_user_default_types();
    std::unordered_set<std::string> user_set(users.begin(), users.end());
    const char *const *declared = g_app_info_get_supported_types(app);
    for (const char *const *d = declared; d != nullptr && *d != nullptr; d++) {
        std::string type = aliases_unalias(*d);
        std::vector<std::string> ancestry = aliases_ancestry(type.c_str());
        bool below = std::any_of(ancestry.begin() + 1, ancestry.end(),
                                 [&](const std::string &a) { return taken.contains(a); });
        if (!below || taken.contains(type) || listed.contains(type) || user_set.contains(type))
            continue;
        found.push_back(type);
        taken.insert(type);
    }
    return found;
}

// The item's types the application declares neither itself nor through a type they are a kind
// of: the assignment stands, but the user should know.
std::string undeclared(const Item &item, GAppInfo *app) {
    std::unordered_set<std::string> declared;
    const char *const *list = g_app_info_get_supported_types(app);
    for (const char *const *d = list; d != nullptr && *d != nullptr; d++)
        declared.insert(aliases_unalias(*d));
    std::string missing;
    for (const char *type : item.types) {
        std::vector<std::string> ancestry = aliases_ancestry(type);
        bool covered = std::any_of(ancestry.begin(), ancestry.end(),
                                   [&](const std::string &a) { return declared.contains(a); });
        if (!covered)
            missing += (missing.empty() ? "" : ", ") + std::string(type);
    }
    return missing;
}

// One list a change of the settings writes, read and parsed once.
struct OpenList {
    std::string path;
    std::optional<std::string> before;
    ListText text;
    // An undo that finds the list as the change left it: the bytes it had before, exactly.
    bool exact = false;
    std::optional<std::string> exact_bytes;
};

// Opens the list at path for a change; the reason when it may not be changed.
std::optional<std::string> open_list(const std::string &path, OpenList *list) {
    list->path = path;
    if (auto refusal = mimeapps_open(path.c_str(), &list->before))
        return refusal;
    list->text = list_text_parse(list->before.value_or(""));
    return std::nullopt;
}

// The lists a change of types writes: the user's mimeapps.list, then each of the user's own
// desktop lists that names a default for one of them (it outranks mimeapps.list).
std::optional<std::string> open_lists(const std::vector<std::string> &types,
                                      std::vector<OpenList> *lists) {
    lists->assign(1, {});
    if (auto refusal = open_list(paths_settings(), &(*lists)[0]))
        return refusal;
    for (const std::string &path : paths_desktop_lists()) {
        // One that does not parse is one GIO does not read either: it outranks nothing.
        std::optional<std::string> bytes = files_read(path.c_str());
        g_autoptr(GKeyFile) kf = g_key_file_new();
        if (!bytes ||
            !g_key_file_load_from_data(kf, bytes->data(), bytes->size(), G_KEY_FILE_NONE, nullptr))
            continue;
        ListText text = list_text_parse(*bytes);
        bool names = std::any_of(types.begin(), types.end(), [&](const std::string &t) {
            return list_text_get(text, MIMEAPPS_GROUPS[0], t.c_str()).has_value();
        });
        if (!names)
            continue;
        lists->emplace_back();
        if (auto refusal = open_list(path, &lists->back()))
            return refusal;
    }
    return std::nullopt;
}

// Adds the lists to the change (the user's mimeapps.list first), each with its text as edited,
// and to entry (when given) each list that changes, whole, for an undo.
void add_lists(Change *change, const std::vector<OpenList> &lists, JournalEntry *entry) {
    for (const OpenList &l : lists) {
        std::optional<std::string> after = l.exact ? l.exact_bytes : list_text_join(l.text);
        change->files.push_back({l.path, l.before, after, true, false});
        if (entry != nullptr && after != l.before)
            entry->files.push_back({l.path, l.before, journal_sum(after)});
    }
}

// Why the default of each type (to its application in apps) would not be GIO's answer once the
// lists hold their new bytes: an earlier list names another installed application. "" when
// nothing outranks them.
std::string outranked(const std::vector<std::string> &types, const std::vector<GAppInfo *> &apps,
                      const std::vector<OpenList> &lists) {
    std::vector<std::pair<std::string, std::string>> replaced;
    for (const OpenList &l : lists)
        replaced.emplace_back(l.path, list_text_join(l.text));
    std::vector<std::optional<MimeappsDefault>> answers = mimeapps_first_defaults(types, replaced);
    std::string list;
    for (size_t i = 0; i < types.size(); i++)
        if (answers[i] && answers[i]->id != apps_desktop_id(apps[i]))
            list += (list.empty() ? "" : "; ") + types[i] + ": " + answers[i]->id + " in " +
                    answers[i]->file;
    return list;
}

// True when a list the change wrote holds something else now: another program wrote it after
// quarve did, and what GIO answers is that program's doing, not another setting's.
bool overwritten_since(const Change &change) {
    return std::any_of(change.files.begin(), change.files.end(), [](const ChangeFile &f) {
        return f.list && f.written && files_read(f.path.c_str()) != f.after;
    });
}

std::string joined(const std::string &a, const std::string &b) {
    return a.empty() ? b : b.empty() ? a : a + "; " + b;
}

// The pins file as the change leaves it, in the change's journal entry, so that undo puts back
// the pins the change moved, added or took off.
std::optional<std::string> journal_pins(Change *c, std::optional<std::string> refusal) {
    if (refusal || !c->journal.add)
        return refusal;
    const std::string path = paths_pins();
    for (const ChangeFile &f : c->files)
        if (f.path == path && f.before != f.after)
            c->journal.add->files.push_back({path, f.before, journal_sum(f.after)});
    return std::nullopt;
}

} // namespace

std::optional<std::string> assign_make(Change *c, const std::vector<AssignChoice> &choices,
                                       Catalog *catalog, const JournalEntry &start,
                                       AssignPlan *plan, bool dry_run) {
    *plan = {};
    // Each type once, with the choice whose application it gets: a later choice that sets the
    // type itself wins; a declared sub-class never wins over a type a choice sets itself.
    std::unordered_map<std::string, size_t> slot;
    std::vector<size_t> owner;
    std::vector<bool> own;
    auto take = [&](const std::string &t, size_t choice, bool itself) {
        auto [at, fresh] = slot.emplace(t, plan->types.size());
        if (fresh) {
            plan->types.push_back(t);
            plan->apps.push_back(choices[choice].app);
            owner.push_back(choice);
            own.push_back(itself);
        } else if (itself || !own[at->second]) {
            plan->apps[at->second] = choices[choice].app;
            owner[at->second] = choice;
            own[at->second] = itself;
        }
    };
    for (size_t n = 0; n < choices.size(); n++)
        for (const std::string &t : assigned_types(choices[n].item))
            take(t, n, true);
    for (size_t n = 0; n < choices.size(); n++) {
        // The sub-classes of the types the choice kept: those of a type another choice took
        // follow that one.
        std::vector<std::string> kept;
        for (const std::string &t : assigned_types(choices[n].item))
            if (owner[slot[t]] == n)
                kept.push_back(t);
        for (const std::string &t : declared_subtypes(kept, choices[n].app, catalog))
            if (!slot.contains(t) || !own[slot[t]])
                take(t, n, false);
    }
    for (size_t i = 0; i < plan->types.size(); i++)
        if (!own[i])
            plan->subtypes.push_back(plan->types[i]);
    const std::vector<std::string> &types = plan->types;
    std::vector<OpenList> lists;
    if (auto refusal = open_lists(types, &lists))
        return refusal;
    JournalEntry entry = start;
    std::unordered_set<std::string> changed;
    // mimeapps.list gets everything GIO would write; a desktop list, which holds only
    // defaults, gets the new default where it names one.
    for (size_t i = 0; i < lists.size(); i++) {
        ListText &text = lists[i].text;
        std::vector<MimeappsEntry> before;
        for (const std::string &t : types)
            before.push_back(mimeapps_entry(text, t.c_str()));
        for (size_t k = 0; k < types.size(); k++) {
            const char *id = apps_desktop_id(plan->apps[k]);
            if (i == 0)
                mimeapps_set_default(&text, {types[k]}, id);
            if (i > 0 && before[k].values[0])
                mimeapps_set_entry(&text, types[k].c_str(), MimeappsEntry{{id, {}, {}}});
            MimeappsEntry after = mimeapps_entry(text, types[k].c_str());
            if (i == 0 || before[k] != after)
                entry.types.push_back({types[k], before[k], after, i == 0 ? "" : lists[i].path});
            if (before[k] != after && changed.insert(types[k]).second)
                plan->changed.push_back(types[k]);
        }
    }
    // Refused before anything is written: a write that GIO would not follow, put back
    // again, is two writes of the settings that set off every watch of them.
    std::string outranking = outranked(types, plan->apps, lists);
    if (!outranking.empty())
        return "another setting takes precedence for " + outranking;
    add_lists(c, lists, &entry);
    bool pins = std::any_of(choices.begin(), choices.end(),
                            [](const AssignChoice &choice) { return choice.pin; });
    if (!change_changes(*c) && !pins)
        return std::nullopt; // it is the default already: nothing to write or to undo
    if (change_changes(*c) && !dry_run)
        if (auto why = change_add_journal(c, entry))
            plan->journal_warning = "it cannot be undone: " + *why;
    // A choice pins the types it keeps; one that a later choice sets is that one's to pin.
    std::vector<PinRequest> requests;
    for (size_t n = 0; n < choices.size(); n++) {
        if (!choices[n].pin)
            continue;
        requests.push_back({choices[n].item.name, {}});
        for (const char *t : choices[n].item.types)
            if (owner[slot[t]] == n) {
                requests.back().pins.emplace_back(t, apps_desktop_id(choices[n].app));
                plan->pinned.push_back(t);
            }
    }
    if (dry_run)
        return std::nullopt;
    return journal_pins(c, pins_in_change(c, types, lists[0].text, requests));
}

std::optional<std::string> assign_check(const Change &c, const AssignPlan &plan,
                                        std::string *later) {
    // A list outside the user's folders may still outrank the user's: success is only what
    // GIO itself now answers.
    std::string overridden = not_in_effect(plan.types, plan.apps);
    if (overridden.empty())
        return std::nullopt;
    if (overwritten_since(c)) {
        *later = "another program changed the settings right after: " + overridden;
        return std::nullopt;
    }
    return "another setting takes precedence for " + overridden;
}

Outcome assign_app(const Item &item, GAppInfo *app, Catalog *catalog, bool pin) {
    const std::string failed = pin ? std::string("Failed to pin ") + item.name + ": "
                                   : std::string("Failed to set default application: ");
    const char *id = apps_desktop_id(app);
    std::vector<std::string> subtypes;
    std::string journal_warning, later;
    Change change{std::string(apps_display_name(app)) + " for " + item.name, {}, {}, ""};
    AssignPlan plan;
    auto make = [&](Change *c) -> std::optional<std::string> {
        JournalEntry entry{id, apps_display_name(app), item.name, {}, {}, "", "", ""};
        std::optional<std::string> refusal =
            assign_make(c, {{item, app, pin}}, catalog, entry, &plan);
        subtypes = plan.subtypes;
        journal_warning = plan.journal_warning;
        return refusal;
    };
    auto check = [&](const Change &c) { return assign_check(c, plan, &later); };
    std::optional<std::string> error = change_run(&change, make, check);
    if (error)
        return outcome_failed(failed + *error);
    bool wrote = std::any_of(change.files.begin(), change.files.end(),
                             [](const ChangeFile &f) { return f.list && f.written; });
    Outcome done =
        outcome_ok(std::string(apps_display_name(app)) +
                   (wrote ? " is now default for " : " already is the default for ") + item.name);
    std::string missing = undeclared(item, app);
    if (!missing.empty())
        done.message += "; it does not declare " + missing;
    // Every type set beyond the item's own: the canonical types of its aliases, and the
    // sub-classes.
    for (const std::string &t : plan.types) {
        if (!wrote || std::find(item.types.begin(), item.types.end(), t) != item.types.end())
            continue;
        bool subtype = std::find(subtypes.begin(), subtypes.end(), t) != subtypes.end();
        done.types.push_back({t, subtype ? "subtype" : "alias"});
    }
    if (!change.journal.error.empty())
        journal_warning = "it cannot be undone: " + change.journal.error;
    // Said right after the success: every link or file the default opens will fail to start.
    std::string no_terminal =
        terminal_missing(app) ? "it runs in a terminal and GIO finds none" : "";
    done.warning = joined(no_terminal, joined(joined(change.recovered, journal_warning), later));
    return done;
}

Outcome assign_reset(const Item &item) {
    const std::string failed = "Failed to reset " + std::string(item.name) + ": ";
    std::vector<std::string> types = assigned_types(item);
    std::string journal_warning;
    Change change{std::string("the reset of ") + item.name, {}, {}, ""};
    auto make = [&](Change *c) -> std::optional<std::string> {
        std::vector<OpenList> lists;
        if (auto refusal = open_lists(types, &lists))
            return refusal;
        JournalEntry entry{"", "", item.name, {}, {}, "", "", ""};
        for (size_t i = 0; i < lists.size(); i++)
            for (const std::string &t : types) {
                MimeappsEntry before = mimeapps_entry(lists[i].text, t.c_str());
                if (before == MimeappsEntry{})
                    continue;
                entry.types.push_back({t, before, {}, i == 0 ? "" : lists[i].path});
                mimeapps_set_entry(&lists[i].text, t.c_str(), MimeappsEntry{});
            }
        add_lists(c, lists, &entry);
        journal_warning.clear();
        if (!entry.types.empty())
            if (auto why = change_add_journal(c, entry))
                journal_warning = "it cannot be undone: " + *why;
        return journal_pins(c, pins_in_change(c, types, lists[0].text));
    };
    if (auto error = change_run(&change, make, nullptr))
        return outcome_failed(failed + *error);
    Outcome done = outcome_ok("Reset: " + std::string(item.name) + " to the system defaults");
    if (!change.journal.error.empty())
        journal_warning = "it cannot be undone: " + change.journal.error;
    done.warning = joined(change.recovered, journal_warning);
    return done;
}

Outcome assign_declared(GAppInfo *app) {
    g_auto(GStrv) types = apps_declared_types(app);
    size_t count = g_strv_length(types);
    // The item's name is what the status line and the journal call the change.
    std::string name = "every type it declares (" + std::to_string(count) + ")";
    return assign_app({name.c_str(), {types, count}, false}, app);
}

namespace {

// What an undo calls the change an entry recorded.
std::string entry_what(const JournalEntry &entry) {
    return !entry.what.empty()    ? entry.what
           : entry.app_id.empty() ? "the reset of " + entry.item
                                  : entry.app_name + " for " + entry.item;
}

} // namespace

Outcome assign_undo() {
    const std::string failed = "Failed to undo: ";
    std::string what, next_what, changed_since, check_message;
    std::vector<std::string> types;
    std::vector<MimeappsEntry> before;
    bool nothing = false;
    Outcome done;
    Change change{"undo", {}, {}, ""};
    auto make = [&](Change *c) -> std::optional<std::string> {
        std::vector<JournalEntry> journal = journal_load_packed();
        // An entry that names no type (a hand-edited journal) has nothing to take back.
        while (!journal.empty() && journal_entry_empty(journal.back()))
            journal.pop_back();
        nothing = journal.empty();
        if (nothing)
            return std::nullopt;
        // An undo that could not take its entry off would be done again by the next one.
        std::string why;
        if (!journal_writable(&why))
            return "the journal cannot be written: " + why;
        JournalEntry last = journal.back();
        if (!journal_unpack(&last))
            return "the journal's newest entry is damaged: " + paths_journal();
        what = entry_what(last);
        // The entry goes even when nothing of it is left to take back, so that undo never sticks
        // on it: the message says what the next undo then takes back.
        next_what.clear();
        for (size_t i = journal.size() - 1; i-- > 0 && next_what.empty();)
            if (!journal_entry_empty(journal[i]))
                next_what = entry_what(journal[i]);
        c->what = "the undo of " + what;
        // Each list the entry changed, the user's mimeapps.list first. An entry that changed no
        // list (the preferred terminal) leaves them alone: a read-only mimeapps.list, as a
        // dotfiles manager leaves it, must not stop its undo.
        const std::string settings = paths_settings();
        bool settings_named = !last.types.empty() ||
                              std::any_of(last.files.begin(), last.files.end(),
                                          [&](const JournalFile &f) { return f.path == settings; });
        std::vector<std::string> files;
        if (settings_named)
            files.push_back("");
        for (const JournalType &t : last.types)
            if (std::find(files.begin(), files.end(), t.file) == files.end())
                files.push_back(t.file);
        std::vector<OpenList> lists(files.size());
        done.types.clear();
        types.clear();
        before.clear();
        for (size_t i = 0; i < files.size(); i++) {
            if (auto refusal = open_list(files[i].empty() ? settings : files[i], &lists[i]))
                return refusal;
            // A list just as the change left it gets its earlier bytes back exactly.
            auto whole =
                std::find_if(last.files.begin(), last.files.end(),
                             [&](const JournalFile &f) { return f.path == lists[i].path; });
            lists[i].exact =
                whole != last.files.end() && journal_sum(lists[i].before) == whole->after_sum;
            if (lists[i].exact)
                lists[i].exact_bytes = whole->before;
            // A type whose default someone else has changed since keeps that newer choice.
            for (const JournalType &t : last.types) {
                if (t.file != files[i])
                    continue;
                if (lists[i].exact) {
                    if (i == 0) {
                        types.push_back(t.type);
                        before.push_back(t.before);
                    }
                    continue;
                }
                if (mimeapps_entry(lists[i].text, t.type.c_str()).values[0] != t.after.values[0]) {
                    done.types.push_back({t.type, "changed since"});
                    continue;
                }
                mimeapps_set_entry(&lists[i].text, t.type.c_str(), t.before);
                if (i == 0) {
                    types.push_back(t.type);
                    before.push_back(t.before);
                }
            }
        }
        add_lists(c, lists, nullptr);
        // The pins as they were, where the change's every list came back whole and nobody has
        // changed them since; else they follow the defaults the undo leaves.
        const std::string pins_path = paths_pins();
        bool lists_whole = done.types.empty();
        bool pins_back = false;
        // Every other file the entry wrote whole (a folder's cache, a list of terminals) gets
        // its earlier bytes back when it is as the change left it, and is named otherwise.
        for (const JournalFile &f : last.files) {
            bool list = std::any_of(lists.begin(), lists.end(),
                                    [&](const OpenList &l) { return l.path == f.path; });
            if (list)
                continue;
            std::optional<std::string> now = files_read(f.path.c_str());
            bool as_left = journal_sum(now) == f.after_sum;
            if (f.path == pins_path) {
                pins_back = as_left && lists_whole;
                if (pins_back)
                    c->files.push_back({f.path, now, f.before, false, false});
                continue;
            }
            if (as_left)
                c->files.push_back({f.path, now, f.before, false, false});
            else
                done.types.push_back({f.path, "changed since"});
        }
        c->journal.drop = true;
        c->journal.drop_count = journal.size();
        c->journal.drop_token = last.token;
        // The pins follow what the user's list holds once the undo is made.
        if (!settings_named || pins_back)
            return std::nullopt;
        return pins_in_change(c, types, list_text_parse(c->files[0].after.value_or("")));
    };
    auto check = [&](const Change &) -> std::optional<std::string> {
        std::string held = not_restored(types, before);
        if (held.empty())
            return std::nullopt;
        check_message = "Failed to undo " + what + ": another setting takes precedence for " + held;
        return check_message;
    };
    std::optional<std::string> error = change_run(&change, make, check);
    if (error && !check_message.empty())
        return {false, check_message + error->substr(check_message.size()), done.types, ""};
    if (error)
        return outcome_failed(failed + *error);
    if (nothing)
        return outcome_ok("Nothing to undo");
    std::vector<std::string> left;
    for (const OutcomeType &t : done.types)
        if (std::find(left.begin(), left.end(), t.type) == left.end())
            left.push_back(t.type);
    bool any = std::any_of(change.files.begin(), change.files.end(),
                           [](const ChangeFile &f) { return f.written; });
    if (types.empty() && !any)
        done = {false,
                "Failed to undo " + what + ": changed since: " + text_join(left) +
                    "; it is off the journal, " +
                    (next_what.empty() ? "nothing older is left to undo"
                                       : "the next undo takes back " + next_what),
                done.types, ""};
    else if (!left.empty())
        done.message = "Undone: " + what + "; left alone, changed since: " + text_join(left);
    else
        done.message = "Undone: " + what;
    done.warning = joined(
        change.recovered,
        change.journal.error.empty() ? "" : "the journal still holds it: " + change.journal.error);
    return done;
}
