#include "catalog/ext_index.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "catalog/catalog.h"
#include "util/text.h"

namespace {

struct MimeSource {
    const char *path;
    ExtFormat format;
};

// Read in this order; the first entry for a type wins.
constexpr MimeSource mime_sources[] = {
    {"/etc/mime.types", EXT_FORMAT_MIME_TYPES},
    {"/usr/share/mime/globs2", EXT_FORMAT_GLOBS2},
    {"/usr/share/mime/globs", EXT_FORMAT_GLOBS},
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

bool is_separator(char c, std::string_view separators) {
    for (char sep : separators)
        if (c == sep)
            return true;
    return false;
}

// Splits text at runs of separator bytes into at most max fields; returns how many it found.
// A plain scan: string_view's find_first_of calls memchr on the separators for every byte,
// which made this the larger part of building the index at start-up.
size_t split_fields(std::string_view text, std::string_view separators, std::string_view *fields,
                    size_t max) {
    size_t n = 0;
    size_t pos = 0;
    while (n < max) {
        while (pos < text.size() && is_separator(text[pos], separators))
            pos++;
        if (pos == text.size())
            break;
        size_t end = pos;
        while (end < text.size() && !is_separator(text[end], separators))
            end++;
        fields[n++] = text.substr(pos, end - pos);
        pos = end;
    }
    return n;
}

// The label a glob gives: what follows a leading "*.", or nothing.
bool glob_label(std::string_view glob, std::string_view *label) {
    if (glob.size() < 2 || glob[0] != '*' || glob[1] != '.')
        return false;
    *label = glob.substr(2);
    return true;
}

void insert_new(GHashTable *index, std::string_view type, std::string_view label) {
    if (index == nullptr)
        return;
    std::string key(type);
    if (g_hash_table_contains(index, key.c_str()))
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

} // namespace

void ext_index_read_line(GHashTable *index, const char *line, ExtFormat format, GHashTable *all) {
    std::string_view text(line);
    if (!text.empty() && text[0] == '#')
        return;
    text = text.substr(0, text.find('\n'));
    std::string_view f[EXT_MAX_FIELDS];
    std::string_view label;
    switch (format) {
    case EXT_FORMAT_MIME_TYPES: {
        size_t n = split_fields(text, " \t", f, all != nullptr ? EXT_MAX_FIELDS : 2);
        if (n >= 2)
            insert_new(index, f[0], f[1]);
        for (size_t i = 1; i < n; i++)
            add_extension(all, f[0], f[i]);
        break;
    }
    case EXT_FORMAT_GLOBS2:
        if (split_fields(text, ":", f, 3) == 3 && glob_label(f[2], &label)) {
            insert_new(index, f[1], label);
            add_extension(all, f[1], label);
        }
        break;
    case EXT_FORMAT_GLOBS:
        if (split_fields(text, ":", f, 2) == 2 && glob_label(f[1], &label)) {
            insert_new(index, f[0], label);
            add_extension(all, f[0], label);
        }
        break;
    }
}

void ext_index_read_source(GHashTable *index, const char *path, ExtFormat format, GHashTable *all) {
    FILE *f = fopen(path, "re");
    if (f == nullptr)
        return;
    // A line longer than the buffer arrives in pieces, and each piece is judged as a line.
    char buf[EXT_LINE_BUFFER];
    while (fgets(buf, sizeof buf, f) != nullptr)
        ext_index_read_line(index, buf, format, all);
    fclose(f);
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
