#include "appdb/journal.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/files.h"

namespace {

constexpr const char *JOURNAL_KEY_APP = "app";
constexpr const char *JOURNAL_KEY_NAME = "name";
constexpr const char *JOURNAL_KEY_ITEM = "item";
constexpr const char *JOURNAL_KEY_TYPES = "types";
// Per file N a change wrote: its path, its bytes before (base64, absent when there was no file:
// any bytes come back exactly) and the checksum of its bytes after.
constexpr const char *JOURNAL_KEY_FILE_PATH = "path-";
constexpr const char *JOURNAL_KEY_FILE_BEFORE = "bytes-before-";
constexpr const char *JOURNAL_KEY_FILE_SUM = "sum-after-";

// "before-2-0": the value type 2 had in settings group 0 before the assignment.
std::string value_key(const char *when, size_t type, size_t group) {
    return std::string(when) + "-" + std::to_string(type) + "-" + std::to_string(group);
}

void put_entry(GKeyFile *kf, const char *group, const char *when, size_t i,
               const MimeappsEntry &e) {
    for (size_t g = 0; g < e.values.size(); g++)
        if (e.values[g])
            g_key_file_set_string(kf, group, value_key(when, i, g).c_str(), e.values[g]->c_str());
}

MimeappsEntry get_entry(GKeyFile *kf, const char *group, const char *when, size_t i) {
    MimeappsEntry e;
    for (size_t g = 0; g < e.values.size(); g++) {
        g_autofree char *v =
            g_key_file_get_string(kf, group, value_key(when, i, g).c_str(), nullptr);
        if (v != nullptr)
            e.values[g] = v;
    }
    return e;
}

// An entry without its essentials (a hand-edited or cut file) is skipped, not guessed at.
bool read_group(GKeyFile *kf, const char *group, JournalEntry *entry) {
    g_autofree char *app = g_key_file_get_string(kf, group, JOURNAL_KEY_APP, nullptr);
    g_autofree char *name = g_key_file_get_string(kf, group, JOURNAL_KEY_NAME, nullptr);
    g_autofree char *item = g_key_file_get_string(kf, group, JOURNAL_KEY_ITEM, nullptr);
    g_auto(GStrv) types =
        g_key_file_get_string_list(kf, group, JOURNAL_KEY_TYPES, nullptr, nullptr);
    if (app == nullptr || name == nullptr || item == nullptr || types == nullptr)
        return false;
    *entry = JournalEntry{app, name, item, {}, {}};
    for (size_t i = 0;; i++) {
        std::string n = std::to_string(i);
        g_autofree char *path =
            g_key_file_get_string(kf, group, (JOURNAL_KEY_FILE_PATH + n).c_str(), nullptr);
        g_autofree char *sum =
            g_key_file_get_string(kf, group, (JOURNAL_KEY_FILE_SUM + n).c_str(), nullptr);
        if (path == nullptr || sum == nullptr)
            break;
        g_autofree char *before =
            g_key_file_get_string(kf, group, (JOURNAL_KEY_FILE_BEFORE + n).c_str(), nullptr);
        JournalFile f{path, std::nullopt, sum};
        if (before != nullptr) {
            gsize length = 0;
            g_autofree guchar *bytes = g_base64_decode(before, &length);
            f.before = std::string(reinterpret_cast<const char *>(bytes), length);
        }
        entry->files.push_back(std::move(f));
    }
    for (size_t i = 0; types[i] != nullptr; i++) {
        g_autofree char *file =
            g_key_file_get_string(kf, group, ("file-" + std::to_string(i)).c_str(), nullptr);
        entry->types.push_back({types[i], get_entry(kf, group, "before", i),
                                get_entry(kf, group, "after", i), file ? file : ""});
    }
    return true;
}

} // namespace

std::string journal_path() {
    g_autofree char *path =
        g_build_filename(g_get_user_state_dir(), "quarve", "journal.ini", nullptr);
    return path;
}

bool journal_writable(std::string *why) {
    std::string path = journal_path();
    g_autofree char *dir = g_path_get_dirname(path.c_str());
    // The journal is replaced through a new file beside it, so its folder must take one.
    std::optional<std::string> refusal = files_make_folder(dir);
    if (!refusal)
        refusal = files_refusal(path.c_str());
    if (refusal) {
        *why = *refusal;
        return false;
    }
    return true;
}

std::string journal_sum(const std::optional<std::string> &bytes) {
    if (!bytes)
        return "none";
    g_autofree char *sum = g_compute_checksum_for_data(
        G_CHECKSUM_SHA256, reinterpret_cast<const guchar *>(bytes->data()), bytes->size());
    return sum;
}

bool journal_parse(const std::string &bytes, std::vector<JournalEntry> *entries) {
    entries->clear();
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_data(kf, bytes.data(), bytes.size(), G_KEY_FILE_NONE, nullptr))
        return false;
    g_auto(GStrv) groups = g_key_file_get_groups(kf, nullptr);
    for (char **g = groups; *g != nullptr; g++) {
        JournalEntry e;
        if (read_group(kf, *g, &e))
            entries->push_back(std::move(e));
    }
    return true;
}

std::vector<JournalEntry> journal_load() {
    std::vector<JournalEntry> entries;
    std::string path = journal_path();
    g_autofree char *bytes = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &bytes, &length, nullptr))
        return entries;
    if (!journal_parse(std::string(bytes, length), &entries))
        // Kept for whoever wants to look at it; the next assignment starts a new journal.
        g_rename(path.c_str(), (path + ".bad").c_str());
    return entries;
}

std::string journal_text(const std::vector<JournalEntry> &entries) {
    g_autoptr(GKeyFile) kf = g_key_file_new();
    size_t first = entries.size() > JOURNAL_MAX_ENTRIES ? entries.size() - JOURNAL_MAX_ENTRIES : 0;
    for (size_t n = first; n < entries.size(); n++) {
        const JournalEntry &e = entries[n];
        std::string group = "Assignment " + std::to_string(n - first + 1);
        g_key_file_set_string(kf, group.c_str(), JOURNAL_KEY_APP, e.app_id.c_str());
        g_key_file_set_string(kf, group.c_str(), JOURNAL_KEY_NAME, e.app_name.c_str());
        g_key_file_set_string(kf, group.c_str(), JOURNAL_KEY_ITEM, e.item.c_str());
        std::vector<const char *> types;
        for (size_t i = 0; i < e.types.size(); i++) {
            types.push_back(e.types[i].type.c_str());
            put_entry(kf, group.c_str(), "before", i, e.types[i].before);
            put_entry(kf, group.c_str(), "after", i, e.types[i].after);
            if (!e.types[i].file.empty())
                g_key_file_set_string(kf, group.c_str(), ("file-" + std::to_string(i)).c_str(),
                                      e.types[i].file.c_str());
        }
        g_key_file_set_string_list(kf, group.c_str(), JOURNAL_KEY_TYPES, types.data(),
                                   types.size());
        for (size_t i = 0; i < e.files.size(); i++) {
            std::string n = std::to_string(i);
            const JournalFile &f = e.files[i];
            g_key_file_set_string(kf, group.c_str(), (JOURNAL_KEY_FILE_PATH + n).c_str(),
                                  f.path.c_str());
            g_key_file_set_string(kf, group.c_str(), (JOURNAL_KEY_FILE_SUM + n).c_str(),
                                  f.after_sum.c_str());
            if (f.before) {
                g_autofree char *b64 = g_base64_encode(
                    reinterpret_cast<const guchar *>(f.before->data()), f.before->size());
                g_key_file_set_string(kf, group.c_str(), (JOURNAL_KEY_FILE_BEFORE + n).c_str(),
                                      b64);
            }
        }
    }
    gsize length = 0;
    g_autofree char *data = g_key_file_to_data(kf, &length, nullptr);
    return std::string(data, length);
}

bool journal_save(const std::vector<JournalEntry> &entries, std::string *error) {
    std::string path = journal_path();
    g_autofree char *dir = g_path_get_dirname(path.c_str());
    g_mkdir_with_parents(dir, 0700);
    std::string data = journal_text(entries);
    g_autoptr(GError) err = nullptr;
    if (!files_replace(path.c_str(), data.data(), data.size(), &err)) {
        *error = err->message;
        return false;
    }
    return true;
}
