#include "util/text.h"

#include <cstdarg>
#include <cstring>

namespace {

// Expected length of a UTF-8 sequence from its lead byte; 0 for a continuation or invalid byte.
size_t sequence_length(unsigned char b) {
    if (b < 0x80)
        return 1;
    if ((b & 0xE0) == 0xC0)
        return 2;
    if ((b & 0xF0) == 0xE0)
        return 3;
    if ((b & 0xF8) == 0xF0)
        return 4;
    return 0;
}

} // namespace

size_t text_last_char_len(const char *s, size_t len) {
    if (len == 0)
        return 0;
    auto u = reinterpret_cast<const unsigned char *>(s);
    size_t start = len - 1;
    // Walk back over at most three continuation bytes to the lead byte.
    while (start > 0 && len - start < 4 && (u[start] & 0xC0) == 0x80)
        start--;
    size_t need = sequence_length(u[start]);
    if (need == len - start && g_utf8_validate(s + start, static_cast<gssize>(need), nullptr))
        return need;
    return 1;
}

void text_trim_partial(char *buf) {
    auto u = reinterpret_cast<unsigned char *>(buf);
    size_t len = strlen(buf);
    size_t start = len;
    while (start > 0 && len - start < 4 && (u[start - 1] & 0xC0) == 0x80)
        start--;
    if (start == 0)
        return;
    size_t need = sequence_length(u[start - 1]);
    // Only a lead byte whose sequence runs past the end marks a cut character.
    if (need > 1 && len - (start - 1) < need)
        buf[start - 1] = '\0';
}

void text_format(char *buf, size_t cap, const char *fmt, ...) {
    if (cap == 0)
        return;
    va_list ap;
    va_start(ap, fmt);
    int n = g_vsnprintf(buf, cap, fmt, ap);
    va_end(ap);
    if (n >= 0 && static_cast<size_t>(n) >= cap)
        text_trim_partial(buf);
}

char *text_fold(const char *s) {
    // Most names, labels and types are ASCII, where folding is lower-casing.
    bool ascii = true;
    for (const char *p = s; *p != '\0' && ascii; p++)
        ascii = static_cast<unsigned char>(*p) < 0x80;
    if (ascii)
        return g_ascii_strdown(s, -1);
    g_autofree char *valid = g_utf8_make_valid(s, -1);
    // Compatibility decomposition splits accents off their letters (and spells ligatures and
    // full-width forms out); without the marks, "cafe" finds "Café" and "in" "İnternet".
    g_autofree char *decomposed = g_utf8_normalize(valid, -1, G_NORMALIZE_ALL);
    GString *bare = g_string_sized_new(strlen(decomposed));
    for (const char *p = decomposed; *p != '\0'; p = g_utf8_next_char(p)) {
        gunichar c = g_utf8_get_char(p);
        if (!g_unichar_ismark(c))
            g_string_append_unichar(bare, c);
    }
    g_autofree char *stripped = g_string_free(bare, FALSE);
    return g_utf8_casefold(stripped, -1);
}

std::string text_join(const std::vector<std::string> &items, const char *separator) {
    std::string out;
    for (const std::string &item : items)
        out += (out.empty() ? "" : separator) + item;
    return out;
}

std::string text_casefold(const char *text) {
    g_autofree char *valid = g_utf8_make_valid(text, -1);
    g_autofree char *folded = g_utf8_casefold(valid, -1);
    return folded;
}
