// Text helpers shared by every subsystem: bounded formatting and search folding.
#pragma once

#include <cstddef>
#include <glib.h>
#include <string>
#include <vector>

// printf-style formatting into buf of cap bytes. Text that does not fit is cut at the last
// whole UTF-8 character, so a multi-byte character is never split; buf is always terminated.
void text_format(char *buf, size_t cap, const char *fmt, ...) G_GNUC_PRINTF(3, 4);

// Removes from the end of the NUL-terminated buf every byte of a trailing character that the
// text does not hold whole (a cut multi-byte sequence).
void text_trim_partial(char *buf);

// A newly allocated, folded copy of s for search comparisons: case-folded, with accents and
// other marks removed and compatibility forms spelled out. Bytes that are not valid UTF-8 are
// replaced first, since case folding must never read past a cut sequence.
char *text_fold(const char *s);

// Byte length of the last whole UTF-8 character of the first len bytes of s (1 for a stray
// byte), 0 when len is 0.
size_t text_last_char_len(const char *s, size_t len);

// The items separated by separator (", " as messages list types).
std::string text_join(const std::vector<std::string> &items, const char *separator = ", ");
// text case-folded as GLib folds it (letter case only: accents still tell words apart), made
// valid UTF-8 first; for names a user types in any letter case.
std::string text_casefold(const char *text);
