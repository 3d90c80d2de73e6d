// Arbitrary bytes as each of the three system MIME tables, then every label searched.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <glib.h>
#include <initializer_list>
#include <unistd.h>

#include "catalog/ext_index.h"
#include "util/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static char *path = [] {
        char *p = g_build_filename(g_get_tmp_dir(), "quarve-fuzz-XXXXXX", nullptr);
        close(g_mkstemp(p));
        atexit([] { unlink(path); });
        return p;
    }();
    FILE *f = fopen(path, "wb");
    fwrite(data, 1, size, f);
    fclose(f);
    GHashTable *index = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    for (ExtFormat format : {EXT_FORMAT_MIME_TYPES, EXT_FORMAT_GLOBS2, EXT_FORMAT_GLOBS})
        ext_index_read_source(index, path, format);
    GHashTableIter it;
    gpointer key, value;
    g_hash_table_iter_init(&it, index);
    while (g_hash_table_iter_next(&it, &key, &value)) {
        g_free(text_fold(static_cast<const char *>(key)));
        g_free(text_fold(static_cast<const char *>(value)));
    }
    g_hash_table_unref(index);
    return 0;
}
