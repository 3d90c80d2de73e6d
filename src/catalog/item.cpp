#include "catalog/item.h"

#include <cstring>
#include <gio/gio.h>
#include <string>
#include <string_view>

#include "catalog/catalog.h"
#include "catalog/type_text.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// The spelling of type that the MIME database registers, in any letter case: GIO compares
// types byte for byte, so IMAGE/PNG would find no application. The database's own list
// (mime/types in each data folder) keeps a type's capitals, which GIO's list of registered
// types, made from file names, has lost (application/vnd.ms-excel.sheet.macroEnabled.12).
// NULL when it registers none.
char *registered_spelling(const char *type) {
    for (const std::string &folder : paths_data_folders()) {
        g_autofree char *path = g_build_filename(folder.c_str(), "mime", "types", nullptr);
        g_autofree char *text = nullptr;
        if (!g_file_get_contents(path, &text, nullptr, nullptr))
            continue;
        for (char *line = text; line != nullptr && *line != '\0';) {
            char *end = strchr(line, '\n');
            if (end != nullptr)
                *end = '\0';
            if (g_ascii_strcasecmp(line, type) == 0)
                return g_strdup(line);
            line = end != nullptr ? end + 1 : nullptr;
        }
    }
    GList *all = g_content_types_get_registered();
    char *spelling = nullptr;
    for (GList *l = all; l != nullptr && spelling == nullptr; l = l->next)
        if (g_ascii_strcasecmp(static_cast<const char *>(l->data), type) == 0)
            spelling = g_strdup(static_cast<const char *>(l->data));
    g_list_free_full(all, g_free);
    return spelling;
}

} // namespace

bool item_type_registered(const char *type) {
    g_autofree char *spelling = registered_spelling(type);
    return spelling != nullptr;
}

Item item_of_category(Category *c) {
    return {c->name, {c->mime_types, g_strv_length(c->mime_types)}, true};
}

Item item_of_type_slot(char *const *slot) {
    return {*slot, {slot, 1}, false};
}

std::optional<Item> item_lookup(Catalog *c, const char *text) {
    std::string wanted = text_casefold(text);
    for (guint i = 0; i < c->categories->len; i++) {
        auto cat = static_cast<Category *>(g_ptr_array_index(c->categories, i));
        if (text_casefold(cat->name) == wanted)
            return item_of_category(cat);
    }
    g_autofree char *type = type_text_resolve(text);
    if (type == nullptr)
        return std::nullopt;
    auto slots = reinterpret_cast<char *const *>(c->mime_types->pdata);
    for (guint i = 0; i < c->mime_types->len; i++)
        if (g_ascii_strcasecmp(slots[i], type) == 0)
            return item_of_type_slot(&slots[i]);
    for (guint i = 0; i < c->named->len; i++) {
        auto list = static_cast<char **>(g_ptr_array_index(c->named, i));
        if (g_ascii_strcasecmp(list[0], type) == 0)
            return item_of_type_slot(list);
    }
    g_autofree char *spelling = registered_spelling(type);
    // docs/report.pdf has the form of a type, but a file is meant.
    if (spelling == nullptr && item_looks_like_path(text))
        return std::nullopt;
    // Each kept type is a list of its own, so an item borrowing it outlives later lookups.
    char **list = g_new0(char *, 2);
    list[0] = spelling != nullptr ? g_steal_pointer(&spelling) : g_strdup(type);
    g_ptr_array_add(c->named, list);
    return item_of_type_slot(list);
}

bool item_looks_like_path(const char *text) {
    std::string_view t(text);
    for (std::string_view start : {"/", "./", "../", "~"})
        if (t.starts_with(start))
            return true;
    if (g_file_test(text, G_FILE_TEST_EXISTS) || g_file_test(text, G_FILE_TEST_IS_SYMLINK))
        return true;
    if (t.find('/') == std::string_view::npos)
        return false;
    g_autofree char *folder = g_path_get_dirname(text);
    return g_file_test(folder, G_FILE_TEST_IS_DIR);
}
