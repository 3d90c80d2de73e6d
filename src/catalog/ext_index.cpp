#include "catalog/ext_index.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "state/state.h"

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
    std::string key(type);
    if (g_hash_table_contains(index, key.c_str()))
        return;
    g_hash_table_insert(index, g_strndup(type.data(), type.size()),
                        g_strndup(label.data(), label.size()));
}

} // namespace

void ext_index_read_line(GHashTable *index, const char *line, ExtFormat format) {
    std::string_view text(line);
    if (!text.empty() && text[0] == '#')
        return;
    text = text.substr(0, text.find('\n'));
    std::string_view f[3];
    std::string_view label;
    switch (format) {
    case EXT_FORMAT_MIME_TYPES:
        if (split_fields(text, " \t", f, 2) == 2)
            insert_new(index, f[0], f[1]);
        break;
    case EXT_FORMAT_GLOBS2:
        if (split_fields(text, ":", f, 3) == 3 && glob_label(f[2], &label))
            insert_new(index, f[1], label);
        break;
    case EXT_FORMAT_GLOBS:
        if (split_fields(text, ":", f, 2) == 2 && glob_label(f[1], &label))
            insert_new(index, f[0], label);
        break;
    }
}

void ext_index_read_source(GHashTable *index, const char *path, ExtFormat format) {
    FILE *f = fopen(path, "re");
    if (f == nullptr)
        return;
    // A line longer than the buffer arrives in pieces, and each piece is judged as a line.
    char buf[EXT_LINE_BUFFER];
    while (fgets(buf, sizeof buf, f) != nullptr)
        ext_index_read_line(index, buf, format);
    fclose(f);
}

void ext_index_add_fallbacks(GHashTable *index) {
    for (const auto &fb : ext_fallbacks)
        insert_new(index, fb.type, fb.label);
}

void ext_index_build(AppState *s) {
    s->ext_index = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    for (const auto &src : mime_sources)
        ext_index_read_source(s->ext_index, src.path, src.format);
    ext_index_add_fallbacks(s->ext_index);
}

const char *ext_index_label(AppState *s, const char *type) {
    auto label = static_cast<const char *>(g_hash_table_lookup(s->ext_index, type));
    return label != nullptr ? label : type;
}
