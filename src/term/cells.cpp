#include "term/cells.h"

#include <glib.h>

namespace {

// Decodes one UTF-8 sequence strictly (no overlongs, surrogates or values past U+10FFFF).
// Returns the number of bytes used; an invalid sequence uses one byte and gives U+FFFD.
int decode_one(const unsigned char *p, uint32_t *out) {
    unsigned char b = p[0];
    int len;
    uint32_t cp, min;
    if (b < 0x80) {
        *out = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, cp = b & 0x07, min = 0x10000;
    } else {
        *out = CELL_PLACEHOLDER;
        return 1;
    }
    // A NUL is not a continuation byte, so this stops at the end of the string.
    for (int i = 1; i < len; i++) {
        if ((p[i] & 0xC0) != 0x80) {
            *out = CELL_PLACEHOLDER;
            return 1;
        }
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        *out = CELL_PLACEHOLDER;
        return 1;
    }
    *out = cp;
    return len;
}

// C0, DEL, C1 and the Unicode line and paragraph separators.
bool is_control(uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0) || cp == 0x2028 || cp == 0x2029;
}

bool is_mark(uint32_t cp) {
    return g_unichar_ismark(cp);
}

// Zero-width format characters (joiners, direction overrides) carry no glyph of their own and
// could reorder what the terminal shows; they are left out.
bool is_invisible(uint32_t cp) {
    return !is_mark(cp) && g_unichar_iszerowidth(cp);
}

} // namespace

bool cells_next(const char **text, TermCell *cell) {
    auto p = reinterpret_cast<const unsigned char *>(*text);
    // Printable ASCII followed by ASCII (or the end) is one narrow cell with no marks: nearly
    // every cell of a frame, spared the Unicode tables below.
    if (p[0] >= 0x20 && p[0] < 0x7F && p[1] < 0x80) {
        *cell = TermCell{};
        cell->ch = p[0];
        cell->width = 1;
        *text = reinterpret_cast<const char *>(p + 1);
        return true;
    }
    uint32_t cp;
    do {
        if (*p == '\0')
            return false;
        p += decode_one(p, &cp);
    } while (is_invisible(cp));
    *cell = TermCell{};
    if (is_control(cp)) {
        cp = CELL_PLACEHOLDER;
    } else if (is_mark(cp)) {
        // A mark with nothing to sit on is shown on a blank rather than lost or merged into
        // whatever the terminal drew before.
        cell->marks[cell->nmarks++] = cp;
        cp = ' ';
    }
    cell->ch = cp;
    cell->width = g_unichar_iswide(cp) ? 2 : 1;
    // Gather the combining marks that follow; surplus ones are dropped.
    for (;;) {
        uint32_t next;
        int used = *p ? decode_one(p, &next) : 0;
        if (used == 0 || is_control(next) || !(is_mark(next) || is_invisible(next)))
            break;
        if (is_mark(next) && cell->nmarks < CELL_MAX_MARKS)
            cell->marks[cell->nmarks++] = next;
        p += used;
    }
    *text = reinterpret_cast<const char *>(p);
    return true;
}
