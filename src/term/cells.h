// Turns untrusted UTF-8 text into terminal cells, for both terminal implementations.
#pragma once

#include <cstdint>

constexpr uint32_t CELL_PLACEHOLDER = 0xFFFD;
constexpr int CELL_MAX_MARKS = 4;

// One character cell: a spacing character and the combining marks drawn on it.
struct TermCell {
    uint32_t ch;
    uint32_t marks[CELL_MAX_MARKS];
    int nmarks;
    int width; // 1 or 2 columns
};

// Decodes the next cell of the NUL-terminated text at *text and advances *text past it.
// Returns false at the end of the text. Never reads past the terminating NUL; control
// characters (C0, DEL, C1) and bytes that are not valid UTF-8 come out as CELL_PLACEHOLDER.
bool cells_next(const char **text, TermCell *cell);
