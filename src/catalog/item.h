// An item: what an assignment, a listing or an explanation is about, a category or one MIME type.
#pragma once

#include <optional>
#include <span>

struct Catalog;
struct Category;

struct Item {
    const char *name = nullptr;   // what messages call it: the category's name or the MIME type
    std::span<char *const> types; // borrowed from the catalogue until it changes
    bool category = false;        // a category lists each of its applications once
};

// The item of a category.
Item item_of_category(Category *c);
// The item of the MIME type in slot (a list element of the catalogue or of a view).
Item item_of_type_slot(char *const *slot);
// The item typed text names: a category of the catalogue (any letter case), else the MIME type
// the text is or whose extension it is (letter case as the catalogue or the MIME database spell
// it). A type that no list holds is kept by the catalogue for the item to borrow. nullopt when
// the text names nothing, or looks like a path and is no type the catalogue or the MIME
// database knows.
std::optional<Item> item_lookup(Catalog *c, const char *text);
// True when the MIME database registers type (by its canonical name), in any letter case.
bool item_type_registered(const char *type);
// True when text looks like a file rather than an item: it begins with "/", "./", "../" or "~",
// names a file that exists, or lies in a folder that exists.
bool item_looks_like_path(const char *text);
