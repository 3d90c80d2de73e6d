// The built-in category table the catalogue starts from.
#pragma once

constexpr int BUILTIN_TYPE_SLOTS = 10;

struct BuiltinCategory {
    const char *name;                           // "" ends the table
    const char *mime_types[BUILTIN_TYPE_SLOTS]; // a list ends at its first empty slot
};

extern const BuiltinCategory builtin_categories[];
