#include "catalog/ext_index.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "catalog/catalog.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

struct MimeSource {
    const char *path;
    ExtFormat format;
};

// Read in this order; the first entry for a type wins.
constexpr MimeSource mime_sources[] = {
    {PATHS_MIME_TYPES, EXT_FORMAT_MIME_TYPES},
    {PATHS_GLOBS2, EXT_FORMAT_GLOBS2},
    {PATHS_GLOBS, EXT_FORMAT_GLOBS},
};

// Labels for types that no file-name extension describes; they fill only what the tables left.
constexpr struct {
    const char *type;
    const char *label;
} ext_fallbacks[] = {
    {"x-scheme-handler/http", "http"},     {"x-scheme-handler/https", "https"},
    {"x-scheme-handler/mailto", "mailto"}, {"x-scheme-handler/magnet", "magnet"},
    {"inode/directory", "folder"},
};

constexpr size_t EXT_LINE_BUFFER = 1024;

// Which bytes separate fields, as a table: the scan below asks once per byte of every line.
struct Separators {
    bool is[256] = {};
    constexpr explicit Separators(std::string_view bytes) {
        for (char c : bytes)
            is[static_cast<unsigned char>(c)] = true;
    }
    constexpr bool operator()(char c) const { return is[static_cast<unsigned char>(c)]; }
};
constexpr Separators SEP_BLANKS(" \t");
constexpr Separators SEP_COLON(":");

// The next field of text from pos on, fields being runs of bytes between runs of separators;
// false when none is left.
bool next_field(std::string_view text, const Separators &is_separator, size_t *pos,
                std::string_view *field) {
    size_t start = *pos;
    while (start < text.size() && is_separator(text[start]))
        start++;
    if (start == text.size())
        return false;
    size_t end = start;
    while (end < text.size() && !is_separator(text[end]))
        end++;
    *field = text.substr(start, end - start);
    *pos = end;
    return true;
}

// Splits text into at most max fields; returns how many it found.
size_t split_fields(std::string_view text, const Separators &is_separator, std::string_view *fields,
                    size_t max) {
    size_t n = 0;
    for (size_t pos = 0; n < max && next_field(text, is_separator, &pos, &fields[n]);)
        n++;
    return n;
}

// The label a glob gives: what follows a leading "*.", or nothing.
bool glob_label(std::string_view glob, std::string_view *label) {
    if (glob.size() < 2 || glob[0] != '*' || glob[1] != '.')
        return false;
    *label = glob.substr(2);
    return true;
}

// Longer than any MIME type; a longer one is looked up through a copy on the heap.
constexpr size_t EXT_KEY_BUFFER = 256;

void insert_new(GHashTable *index, std::string_view type, std::string_view label) {
    if (index == nullptr)
        return;
    // Most entries name a type already present; finding that out costs no allocation.
    char buf[EXT_KEY_BUFFER];
    std::string heap;
    const char *key = buf;
    if (type.size() < sizeof buf) {
        memcpy(buf, type.data(), type.size());
        buf[type.size()] = '\0';
    } else {
        heap.assign(type);
        key = heap.c_str();
    }
    if (g_hash_table_contains(index, key))
        return;
    g_hash_table_insert(index, g_strndup(type.data(), type.size()),
                        g_strndup(label.data(), label.size()));
}

// Enters ext, folded for searching, among the extensions of type in all (once).
void add_extension(GHashTable *all, std::string_view type, std::string_view ext) {
    if (all == nullptr)
        return;
    std::string key(type), text(ext);
    auto list = static_cast<GPtrArray *>(g_hash_table_lookup(all, key.c_str()));
    if (list == nullptr) {
        list = g_ptr_array_new_with_free_func(g_free);
        g_hash_table_insert(all, g_strdup(key.c_str()), list);
    }
    char *folded = text_fold(text.c_str());
    for (guint i = 0; i < list->len; i++) {
        if (strcmp(static_cast<const char *>(g_ptr_array_index(list, i)), folded) == 0) {
            g_free(folded);
            return;
        }
    }
    g_ptr_array_add(list, folded);
}

// More extensions than any MIME type has; a line with more gives the first ones.
constexpr size_t EXT_MAX_FIELDS = 64;

// One chunk as a line reader with a buffer of EXT_LINE_BUFFER bytes gives it: a line with its
// line feed, or a piece of a longer line. Like a C string, it ends at its first NUL.
void read_chunk(GHashTable *index, std::string_view text, ExtFormat format, GHashTable *all) {
    text = text.substr(0, text.find('\0'));
    if (!text.empty() && text[0] == '#')
        return;
    text = text.substr(0, text.find('\n'));
    // Fields are taken one at a time: an array for every possible field, cleared for each line,
    // was most of what building the index cost.
    std::string_view f[3];
    std::string_view label;
    switch (format) {
    case EXT_FORMAT_MIME_TYPES: {
        size_t pos = 0;
        if (!next_field(text, SEP_BLANKS, &pos, &f[0]))
            break;
        // The first extension labels the type; a search also wants the others.
        for (size_t i = 1; i < EXT_MAX_FIELDS && next_field(text, SEP_BLANKS, &pos, &f[1]); i++) {
            if (i == 1)
                insert_new(index, f[0], f[1]);
            if (all == nullptr)
                break;
            add_extension(all, f[0], f[1]);
        }
        break;
    }
    case EXT_FORMAT_GLOBS2:
        if (split_fields(text, SEP_COLON, f, 3) == 3 && glob_label(f[2], &label)) {
            insert_new(index, f[1], label);
            add_extension(all, f[1], label);
        }
        break;
    case EXT_FORMAT_GLOBS:
        if (split_fields(text, SEP_COLON, f, 2) == 2 && glob_label(f[1], &label)) {
            insert_new(index, f[0], label);
            add_extension(all, f[0], label);
        }
        break;
    }
}

} // namespace

void ext_index_read_line(GHashTable *index, const char *line, ExtFormat format, GHashTable *all) {
    read_chunk(index, line, format, all);
}

void ext_index_read_source(GHashTable *index, const char *path, ExtFormat format, GHashTable *all) {
    // The whole file in one read, cut into the chunks a line reader with a buffer of
    // EXT_LINE_BUFFER bytes gives.
    g_autofree char *contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path, &contents, &length, nullptr))
        return;
    constexpr size_t chunk_max = EXT_LINE_BUFFER - 1;
    std::string_view rest(contents, length);
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        end = end == std::string_view::npos ? rest.size() : end + 1;
        size_t take = std::min(end, chunk_max);
        read_chunk(index, rest.substr(0, take), format, all);
        rest.remove_prefix(take);
    }
}

void ext_index_add_fallbacks(GHashTable *index) {
    for (const auto &fb : ext_fallbacks)
        insert_new(index, fb.type, fb.label);
}

void ext_index_build(Catalog *c) {
    c->ext_index = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    for (const auto &src : mime_sources)
        ext_index_read_source(c->ext_index, src.path, src.format);
    ext_index_add_fallbacks(c->ext_index);
}

GPtrArray *ext_index_extensions(Catalog *c, const char *type) {
    // Only a search needs every extension, so the tables are read for them at the first one
    // rather than before the first frame.
    if (c->ext_all == nullptr) {
        c->ext_all = g_hash_table_new_full(g_str_hash, g_str_equal, g_free,
                                           reinterpret_cast<GDestroyNotify>(g_ptr_array_unref));
        for (const auto &src : mime_sources)
            ext_index_read_source(nullptr, src.path, src.format, c->ext_all);
    }
    return static_cast<GPtrArray *>(g_hash_table_lookup(c->ext_all, type));
}

const char *ext_index_label(Catalog *c, const char *type) {
    auto label = static_cast<const char *>(g_hash_table_lookup(c->ext_index, type));
    return label != nullptr ? label : type;
}
