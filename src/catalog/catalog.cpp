#include "catalog/catalog.h"

#include <cstring>

#include "catalog/builtin.h"
#include "catalog/config.h"
#include "catalog/ext_index.h"
#include "catalog/type_list.h"
#include "catalog/type_text.h"
#include "util/text.h"

Catalog *catalog_new() {
    auto c = g_new0(Catalog, 1);
    ext_index_build(c);
    c->categories = g_ptr_array_new_with_free_func(category_free);
    c->mime_types = g_ptr_array_new_with_free_func(g_free);
    c->named = g_ptr_array_new_with_free_func(reinterpret_cast<GDestroyNotify>(g_strfreev));
    GHashTable *known = type_list_index(c->mime_types);
    for (const BuiltinCategory *b = builtin_categories; b->name[0] != '\0'; b++) {
        Category *cat = category_new(b->name);
        for (int i = 0; i < BUILTIN_TYPE_SLOTS && b->mime_types[i] != nullptr; i++) {
            category_append(cat, b->mime_types[i]);
            type_list_add(c->mime_types, known, b->mime_types[i]);
        }
        g_ptr_array_add(c->categories, cat);
    }
    g_hash_table_unref(known);
    std::string problem = config_load(c);
    if (!problem.empty())
        c->load_problem = g_strdup(problem.c_str());
    type_list_sort(c->mime_types);
    return c;
}

void catalog_free(Catalog *c) {
    if (c == nullptr)
        return;
    g_clear_pointer(&c->categories, g_ptr_array_unref);
    g_clear_pointer(&c->mime_types, g_ptr_array_unref);
    g_clear_pointer(&c->ext_index, g_hash_table_unref);
    g_clear_pointer(&c->ext_all, g_hash_table_unref);
    g_clear_pointer(&c->named, g_ptr_array_unref);
    g_free(c->load_problem);
    g_free(c);
}

bool catalog_insert_type(Catalog *c, const char *type) {
    guint at = 0;
    if (type_list_find(c->mime_types, type, &at))
        return false;
    g_ptr_array_insert(c->mime_types, static_cast<gint>(at), g_strdup(type));
    return true;
}

bool catalog_remove_type(Catalog *c, const char *type) {
    guint at = 0;
    if (!type_list_find(c->mime_types, type, &at))
        return false;
    g_ptr_array_remove_index(c->mime_types, at); // keeps the order; frees the string
    return true;
}

void catalog_filter(Catalog *c, bool categories, const char *search, GPtrArray *rows) {
    g_ptr_array_set_size(rows, 0);
    bool all = search[0] == '\0';
    g_autofree char *needle = all ? nullptr : text_fold(search);
    if (categories) {
        for (guint i = 0; i < c->categories->len; i++) {
            auto cat = static_cast<Category *>(g_ptr_array_index(c->categories, i));
            g_autofree char *name = all ? nullptr : text_fold(cat->name);
            if (all || g_str_has_prefix(name, needle))
                g_ptr_array_add(rows, cat);
        }
        return;
    }
    for (guint i = 0; i < c->mime_types->len; i++) {
        auto type = static_cast<char *>(g_ptr_array_index(c->mime_types, i));
        bool keep = all;
        if (!keep) {
            g_autofree char *label = text_fold(ext_index_label(c, type));
            keep = strstr(label, needle) != nullptr;
        }
        if (!keep) {
            g_autofree char *folded = text_fold(type);
            keep = strstr(folded, needle) != nullptr;
        }
        // What users type is an extension: mp3 finds audio/mpeg, whose label is mpga.
        if (GPtrArray *exts = keep ? nullptr : ext_index_extensions(c, type))
            for (guint e = 0; e < exts->len && !keep; e++)
                keep =
                    g_str_has_prefix(static_cast<const char *>(g_ptr_array_index(exts, e)), needle);
        if (keep)
            g_ptr_array_add(rows, type);
    }
}

Outcome catalog_add(Catalog *c, Category *target, const char *text) {
    g_autofree char *type = type_text_resolve(text);
    if (type == nullptr)
        return outcome_failed(std::string("Failed to add ") + text +
                              ": not a MIME type or a known file extension");
    // A type a category gains is in the MIME type list from now on, as it would be after the
    // next start.
    if (target != nullptr)
        category_append(target, type);
    catalog_insert_type(c, type);
    Outcome done = config_save(c);
    if (done.ok)
        done.message = std::string("Added: ") + text;
    // The catalogue in memory has the type even when the save failed.
    done.types.push_back({type, "added"});
    return done;
}

Outcome catalog_delete(Catalog *c, const char *type) {
    std::string message = std::string("Deleted: ") + type;
    catalog_remove_type(c, type);
    Outcome saved = config_save(c);
    return saved.ok ? outcome_ok(message) : saved;
}
