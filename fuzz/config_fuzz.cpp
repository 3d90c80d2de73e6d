// Arbitrary bytes as the configuration file: load, filter, save and load again.
#include <cstdint>
#include <cstring>
#include <glib.h>
#include <initializer_list>

#include "catalog/catalog.h"
#include "catalog/config.h"
#include "catalog/ext_index.h"

namespace {

Catalog *load_and_search() {
    auto c = g_new0(Catalog, 1);
    c->categories = g_ptr_array_new_with_free_func(category_free);
    c->mime_types = g_ptr_array_new_with_free_func(g_free);
    c->ext_index = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    config_load(c);
    g_autoptr(GPtrArray) rows = g_ptr_array_new();
    for (bool categories : {true, false}) {
        catalog_filter(c, categories, "a", rows);
        for (guint i = 0; i < rows->len; i++)
            (void)strlen(categories
                             ? static_cast<Category *>(g_ptr_array_index(rows, i))->name
                             : ext_index_label(c, static_cast<char *>(g_ptr_array_index(rows, i))));
    }
    return c;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char *dir = g_dir_make_tmp("quarve-fuzz-XXXXXX", nullptr);
    g_setenv("XDG_CONFIG_HOME", dir, TRUE);
    g_free(dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    g_autofree char *path = config_path();
    g_autofree char *dir = g_path_get_dirname(path);
    g_mkdir_with_parents(dir, 0755);
    g_file_set_contents(path, reinterpret_cast<const char *>(data), static_cast<gssize>(size),
                        nullptr);
    Catalog *c = load_and_search();
    config_save(c);
    catalog_free(c);
    catalog_free(load_and_search());
    return 0;
}
