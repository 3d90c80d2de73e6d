// The doctor's repairs: what is safe to mend in the user's own files, in one change that one undo
// takes back.
#include "explain/doctor.h"

#include <algorithm>
#include <gio/gio.h>

#include "catalog/item.h"
#include "explain/doctor_scan.h"
#include "registry/aliases.h"
#include "settings/change.h"
#include "settings/journal.h"
#include "settings/list_text.h"
#include "settings/mimeapps.h"
#include "util/files.h"
#include "util/keyfile.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// What the journal and an undo call the repairs.
constexpr const char *DOCTOR_WHAT = "the doctor's repairs";

// IDs as a key-file list value, as GIO writes one: each followed by ";", separators escaped.
std::string list_value(const std::vector<std::string> &ids) {
    std::string value;
    for (const std::string &id : ids) {
        for (char c : id) {
            if (c == ';' || c == '\\')
                value += '\\';
            value += c;
        }
        value += ';';
    }
    return value;
}

// Takes out of a user's list (text, parsed from bytes) the wildcard keys and the IDs of
// applications no data folder holds that concern scope. One line for each mend, or none.
std::vector<std::string> mend_list(const ListFile &file, const std::string &bytes, ListText *text,
                                   const Lookup &lookup, const std::vector<std::string> *scope) {
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_data(kf, bytes.data(), bytes.size(), G_KEY_FILE_NONE, nullptr))
        return {};
    // What was taken out, as its line says it: each ID (or the wildcard keys) of a group, with
    // the keys it was taken from.
    std::vector<std::pair<std::string, std::vector<std::string>>> mends;
    auto mended = [&](const std::string &what, const std::string &key) {
        auto it = std::find_if(mends.begin(), mends.end(),
                               [&](const auto &m) { return m.first == what; });
        if (it == mends.end())
            mends.push_back({what, {key}});
        else
            it->second.push_back(key);
    };
    for (const char *group : MIMEAPPS_GROUPS) {
        g_auto(GStrv) keys = g_key_file_get_keys(kf, group, nullptr, nullptr);
        for (char **k = keys; k != nullptr && *k != nullptr; k++) {
            if (!scan_concerns(*k, scope))
                continue;
            std::string where = file.path + " [" + group + "]";
            if (scan_wildcard(*k)) {
                list_text_put(text, group, *k, std::nullopt);
                mended("Removed the wildcard keys from " + where, *k);
                continue;
            }
            if (std::string_view(group) == MIMEAPPS_REMOVED || !scan_reads(file.kind, group))
                continue;
            std::optional<std::string> raw = list_text_get(*text, group, *k);
            std::vector<std::string> keep, gone;
            for (const std::string &id : keyfile_split_list(raw.value_or("")))
                if (!id.empty())
                    (scan_held(lookup, id) ? keep : gone).push_back(id);
            if (gone.empty())
                continue;
            list_text_put(text, group, *k,
                          keep.empty() ? std::nullopt : std::optional(list_value(keep)));
            for (const std::string &id : gone)
                mended("Removed " + id + " from " + where, *k);
        }
    }
    std::vector<std::string> lines;
    for (const auto &[what, keys] : mends)
        lines.push_back(what + ": " + text_join(keys));
    return lines;
}

// The types whose GIO answer a rebuilt cache may change: each type whose ancestry holds a type
// the cache gives other IDs (or another order of them).
std::vector<std::string> touched_types(Scan *scan) {
    if (scan->user_apps == SIZE_MAX)
        return {};
    std::map<std::string, std::vector<std::string>> now =
        scan_read_cache(scan->lookup, scan->user_apps);
    std::map<std::string, std::vector<std::string>> next = scan_rebuilt_read(scan, scan->user_apps);
    std::set<std::string> changed, all;
    for (const auto &[type, ids] : now)
        if (next[type] != ids)
            changed.insert(type);
    for (const auto &[type, ids] : next)
        if (now[type] != ids)
            changed.insert(type);
    if (changed.empty())
        return {};
    all.insert(scan->types.begin(), scan->types.end());
    all.insert(changed.begin(), changed.end());
    std::vector<std::string> touched;
    for (const std::string &type : all) {
        if (scan_wildcard(type))
            continue;
        std::vector<std::string> chain = aliases_ancestry(type.c_str());
        if (std::any_of(chain.begin(), chain.end(),
                        [&](const std::string &t) { return changed.count(t) > 0; }))
            touched.push_back(type);
    }
    return touched;
}

std::string joined(const std::string &a, const std::string &b) {
    return a.empty() ? b : b.empty() ? a : a + "; " + b;
}

} // namespace

DoctorRepairs doctor_fix(const Catalog *catalog, const Item *item) {
    DoctorRepairs repairs;
    std::vector<std::string> scope_list;
    const std::vector<std::string> *scope = nullptr;
    if (item != nullptr) {
        for (const char *t : item->types)
            scope_list.push_back(aliases_unalias(t));
        scope = &scope_list;
    }
    // GIO's answers before, for every type a rebuilt cache may change, whatever the item.
    Scan first = scan_new(catalog, nullptr);
    std::vector<std::string> touched = touched_types(&first);
    std::vector<std::string> before;
    for (const std::string &type : touched)
        before.push_back(scan_answer_id(&first, type));
    std::string journal_warning;
    Change change{DOCTOR_WHAT, {}, {}, ""};
    auto make = [&](Change *c) -> std::optional<std::string> {
        repairs.done.clear();
        repairs.left.clear();
        Scan scan = scan_new(catalog, item);
        const Lookup &lookup = scan.lookup;
        JournalEntry entry{"", "", "doctor", {}, {}, "", "", DOCTOR_WHAT};
        for (size_t f = 0; f < lookup.files.size(); f++) {
            const ListFile &file = lookup.files[f];
            if (file.kind == LIST_CACHE || !scan_users(scan, file.folder) || !lookup.parsed[f])
                continue;
            std::optional<std::string> bytes;
            if (auto refusal = mimeapps_open(file.path.c_str(), &bytes)) {
                // Named only when there was something to mend in it.
                std::optional<std::string> now = files_read(file.path.c_str());
                ListText text = list_text_parse(now.value_or(""));
                if (now && !mend_list(file, *now, &text, lookup, scope).empty())
                    repairs.left.push_back(*refusal + ": its entries stay as they are");
                continue;
            }
            if (!bytes)
                continue;
            ListText text = list_text_parse(*bytes);
            std::vector<std::string> lines = mend_list(file, *bytes, &text, lookup, scope);
            if (lines.empty())
                continue;
            std::string after = list_text_join(text);
            c->files.push_back({file.path, bytes, after, true, false});
            entry.files.push_back({file.path, bytes, journal_sum(after)});
            repairs.done.insert(repairs.done.end(), lines.begin(), lines.end());
        }
        if (scan.user_apps != SIZE_MAX) {
            bool stale = false;
            ScanCacheDrift drift = scan_cache_drift(&scan, scan.user_apps);
            for (const auto *side : {&drift.unlisted, &drift.extra})
                for (const auto &[id, types] : *side)
                    stale = stale || std::any_of(types.begin(), types.end(), [&](const auto &t) {
                                return scan_concerns(t, scope);
                            });
            std::string path = scan_cache_path(lookup, scan.user_apps);
            if (stale) {
                if (auto refusal = files_refusal(path.c_str())) {
                    repairs.left.push_back(*refusal + ": " + path + " stays as it is");
                } else {
                    std::optional<std::string> was = files_read(path.c_str());
                    std::string after = scan_cache_text(scan_expected_cache(&scan, scan.user_apps));
                    // The same bytes again would be a repair claimed and nothing for undo.
                    if (was != after) {
                        c->files.push_back({path, was, after, false, false});
                        entry.files.push_back({path, was, journal_sum(after)});
                        repairs.done.push_back("Rebuilt " + path);
                    }
                }
            }
        }
        journal_warning.clear();
        if (change_changes(*c))
            if (auto why = change_add_journal(c, entry))
                journal_warning = "it cannot be undone: " + *why;
        return std::nullopt;
    };
    if (auto error = change_run(&change, make, nullptr)) {
        repairs.ok = false;
        repairs.error = *error;
        return repairs;
    }
    bool rebuilt = std::any_of(change.files.begin(), change.files.end(),
                               [](const ChangeFile &f) { return f.written && !f.list; });
    if (rebuilt) {
        // GIO reads the folder's cache again only once it has noticed the new one.
        mimeapps_watch();
        mimeapps_reread_folder(paths_user_applications());
        for (size_t i = 0; i < touched.size(); i++) {
            g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(touched[i].c_str(), FALSE);
            std::string after =
                now != nullptr && g_app_info_get_id(now) != nullptr ? g_app_info_get_id(now) : "";
            if (after != before[i])
                repairs.changed.push_back(touched[i] + ": " +
                                          (before[i].empty() ? "nothing" : before[i]) + " -> " +
                                          (after.empty() ? "nothing" : after));
        }
    }
    if (!change.journal.error.empty())
        journal_warning = "it cannot be undone: " + change.journal.error;
    repairs.warning = joined(change.recovered, journal_warning);
    return repairs;
}
