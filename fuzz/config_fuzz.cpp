// Arbitrary bytes as the configuration file: load, filter, save and load again.
#include <cstdint>
#include <cstring>
#include <glib.h>
#include <initializer_list>

#include "catalog/catalog.h"
#include "catalog/config.h"
#include "state/state.h"

namespace {

void load_and_search(AppState *s) {
    s->categories = g_ptr_array_new_with_free_func(category_free);
    s->mime_types = g_ptr_array_new_with_free_func(g_free);
    s->view = g_ptr_array_new();
    s->ext_index = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    config_load(s);
    for (int32_t mode : {MODE_CATEGORIES, MODE_EXTENSIONS}) {
        s->mode = mode;
        g_strlcpy(s->search, "a", sizeof s->search);
        view_rebuild(s);
        for (int32_t i = 0; i < view_count(s); i++)
            (void)strlen(view_label(s, i));
    }
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
    AppState s{};
    load_and_search(&s);
    config_save(&s);
    catalog_free(&s);
    AppState again{};
    load_and_search(&again);
    catalog_free(&again);
    return 0;
}
