#include "settings/journal.h"

#include <gio/gio.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <string_view>

#include "util/files.h"
#include "util/paths.h"

namespace {

constexpr const char *JOURNAL_KEY_APP = "app";
constexpr const char *JOURNAL_KEY_NAME = "name";
constexpr const char *JOURNAL_KEY_ITEM = "item";
constexpr const char *JOURNAL_KEY_TOKEN = "token";
constexpr const char *JOURNAL_KEY_WHAT = "what";
// Every type's settings before and its default after, and every file the change wrote whole,
// in one compressed text: an entry of thousands of types stays a few kilobytes, and only the
// entry an undo takes back is unpacked.
constexpr const char *JOURNAL_KEY_PACKED = "packed";
// Entries of earlier versions: the list of types and a key per value ("before-2-0").
constexpr const char *JOURNAL_KEY_TYPES = "types";

// bytes compressed (or, with pack false, back again). nullopt when they do not come back.
std::optional<std::string> squeezed(std::string_view bytes, bool pack) {
    g_autoptr(GConverter) converter =
        pack ? G_CONVERTER(g_zlib_compressor_new(G_ZLIB_COMPRESSOR_FORMAT_RAW, -1))
             : G_CONVERTER(g_zlib_decompressor_new(G_ZLIB_COMPRESSOR_FORMAT_RAW));
    std::string out;
    char buffer[16384];
    size_t at = 0;
    for (;;) {
        gsize read = 0, written = 0;
        GConverterResult r =
            g_converter_convert(converter, bytes.data() + at, bytes.size() - at, buffer,
                                sizeof buffer, G_CONVERTER_INPUT_AT_END, &read, &written, nullptr);
        if (r == G_CONVERTER_ERROR)
            return std::nullopt;
        at += read;
        out.append(buffer, written);
        if (r == G_CONVERTER_FINISHED)
            return out;
    }
}

// One field of a packed line: "-" for no value, else "=" and the value with its tabs, line
// feeds and backslashes escaped.
void put_field(std::string *out, const std::optional<std::string> &value) {
    *out += '\t';
    if (!value) {
        *out += '-';
        return;
    }
    *out += '=';
    for (char c : *value) {
        if (c == '\\' || c == '\t' || c == '\n') {
            *out += '\\';
            *out += c == '\t' ? 't' : c == '\n' ? 'n' : '\\';
        } else {
            *out += c;
        }
    }
}

std::optional<std::string> take_field(std::string_view *line) {
    size_t end = line->find('\t');
    std::string_view field = line->substr(0, end);
    *line = end == std::string_view::npos ? std::string_view() : line->substr(end + 1);
    if (field.empty() || field[0] != '=')
        return std::nullopt;
    std::string value;
    for (size_t i = 1; i < field.size(); i++) {
        if (field[i] == '\\' && i + 1 < field.size()) {
            char e = field[++i];
            value += e == 't' ? '\t' : e == 'n' ? '\n' : e;
        } else {
            value += field[i];
        }
    }
    return value;
}

// "T" and the fields of a type a line; "F", a file's path and checksum and its bytes' length
// (or "-") a line, the bytes after it.
std::string pack(const JournalEntry &e) {
    std::string text;
    for (const JournalType &t : e.types) {
        text += 'T';
        put_field(&text, t.type);
        put_field(&text, t.file);
        for (const auto &v : t.before.values)
            put_field(&text, v);
        put_field(&text, t.after.values[0]);
        text += '\n';
    }
    for (const JournalFile &f : e.files) {
        text += 'F';
        put_field(&text, f.path);
        put_field(&text, f.after_sum);
        put_field(&text, f.before ? std::optional(std::to_string(f.before->size())) : std::nullopt);
        text += '\n';
        if (f.before)
            text += *f.before + '\n';
    }
    std::string packed = squeezed(text, true).value_or("");
    g_autofree char *b64 =
        g_base64_encode(reinterpret_cast<const guchar *>(packed.data()), packed.size());
    return b64;
}

bool unpack(const std::string &b64, JournalEntry *e) {
    gsize length = 0;
    g_autofree guchar *raw = g_base64_decode(b64.c_str(), &length);
    std::optional<std::string> text =
        squeezed(std::string_view(reinterpret_cast<const char *>(raw), length), false);
    if (!text)
        return false;
    std::string_view rest(*text);
    while (!rest.empty()) {
        size_t eol = rest.find('\n');
        if (eol == std::string_view::npos || eol < 2)
            return false;
        char kind = rest[0];
        std::string_view line = rest.substr(2, eol - 2);
        rest.remove_prefix(eol + 1);
        if (kind == 'T') {
            JournalType t;
            std::optional<std::string> type = take_field(&line), file = take_field(&line);
            if (!type || !file)
                return false;
            t.type = *type;
            t.file = *file;
            for (auto &v : t.before.values)
                v = take_field(&line);
            t.after.values[0] = take_field(&line);
            e->types.push_back(std::move(t));
        } else if (kind == 'F') {
            std::optional<std::string> path = take_field(&line), sum = take_field(&line),
                                       size = take_field(&line);
            if (!path || !sum)
                return false;
            JournalFile f{*path, std::nullopt, *sum};
            if (size) {
                size_t n = std::strtoul(size->c_str(), nullptr, 10);
                if (n + 1 > rest.size() || rest[n] != '\n')
                    return false;
                f.before = std::string(rest.substr(0, n));
                rest.remove_prefix(n + 1);
            }
            e->files.push_back(std::move(f));
        } else {
            return false;
        }
    }
    return true;
}

// "before-2-0": the value type 2 had in settings group 0 before the assignment (earlier
// versions of the journal).
std::string value_key(const char *when, size_t type, size_t group) {
    return std::string(when) + "-" + std::to_string(type) + "-" + std::to_string(group);
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
    g_autofree char *token = g_key_file_get_string(kf, group, JOURNAL_KEY_TOKEN, nullptr);
    g_autofree char *packed = g_key_file_get_string(kf, group, JOURNAL_KEY_PACKED, nullptr);
    g_auto(GStrv) types =
        g_key_file_get_string_list(kf, group, JOURNAL_KEY_TYPES, nullptr, nullptr);
    if (app == nullptr || name == nullptr || item == nullptr || (types == nullptr && !packed))
        return false;
    g_autofree char *what = g_key_file_get_string(kf, group, JOURNAL_KEY_WHAT, nullptr);
    *entry = JournalEntry{
        app, name, item, {}, {}, token != nullptr ? token : "", "", what != nullptr ? what : ""};
    if (packed != nullptr) {
        entry->packed = packed;
        return true;
    }
    for (size_t i = 0; types[i] != nullptr; i++) {
        g_autofree char *file =
            g_key_file_get_string(kf, group, ("file-" + std::to_string(i)).c_str(), nullptr);
        entry->types.push_back({types[i], get_entry(kf, group, "before", i),
                                get_entry(kf, group, "after", i), file ? file : ""});
    }
    return true;
}

std::vector<JournalEntry> load(bool unpacked) {
    std::vector<JournalEntry> entries;
    std::string path = paths_journal();
    std::optional<std::string> bytes = files_read(path.c_str());
    if (!bytes)
        return entries;
    if (!journal_parse(*bytes, &entries)) {
        // Kept for whoever wants to look at it; the next assignment starts a new journal.
        g_rename(path.c_str(), (path + ".bad").c_str());
        return entries;
    }
    if (unpacked)
        for (JournalEntry &e : entries)
            journal_unpack(&e);
    return entries;
}

} // namespace

bool journal_writable(std::string *why) {
    std::string path = paths_journal();
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

std::string journal_token() {
    g_autofree char *uuid = g_uuid_string_random();
    return uuid;
}

bool journal_entry_empty(const JournalEntry &entry) {
    return entry.types.empty() && entry.files.empty() && entry.packed.empty();
}

bool journal_unpack(JournalEntry *entry) {
    if (entry->packed.empty())
        return true;
    std::string packed = std::move(entry->packed);
    entry->packed.clear();
    entry->types.clear();
    entry->files.clear();
    if (unpack(packed, entry))
        return true;
    entry->types.clear();
    entry->files.clear();
    return false;
}

std::string journal_entry_text(const JournalEntry &entry) {
    return journal_text({entry});
}

bool journal_entry_parse(const std::string &text, JournalEntry *entry) {
    std::vector<JournalEntry> entries;
    if (!journal_parse(text, &entries) || entries.size() != 1)
        return false;
    *entry = std::move(entries[0]);
    return journal_unpack(entry);
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
    return load(true);
}

std::vector<JournalEntry> journal_load_packed() {
    return load(false);
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
        if (!e.token.empty())
            g_key_file_set_string(kf, group.c_str(), JOURNAL_KEY_TOKEN, e.token.c_str());
        if (!e.what.empty())
            g_key_file_set_string(kf, group.c_str(), JOURNAL_KEY_WHAT, e.what.c_str());
        std::string packed = e.packed.empty() ? pack(e) : e.packed;
        g_key_file_set_string(kf, group.c_str(), JOURNAL_KEY_PACKED, packed.c_str());
    }
    gsize length = 0;
    g_autofree char *data = g_key_file_to_data(kf, &length, nullptr);
    return std::string(data, length);
}

bool journal_save(const std::vector<JournalEntry> &entries, std::string *error) {
    std::string path = paths_journal();
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
