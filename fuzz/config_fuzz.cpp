// Arbitrary bytes as the configuration file: load, filter, save and load again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <initializer_list>
#include <unistd.h>

#include "catalog/catalog.h"
#include "catalog/config.h"
#include "catalog/ext_index.h"

namespace {

char *fuzz_dir = nullptr;

// A few extensions for the search to match, in place of the system tables: reading those on
// every input took several times as long as the configuration file itself.
constexpr const char *ext_lines[] = {"image/png png", "image/jpeg jpeg jpg jpe",
                                     "audio/mpeg mpga mp3", "text/plain txt text asc"};

Catalog *load_and_search() {
    auto c = g_new0(Catalog, 1);
    c->categories = g_ptr_array_new_with_free_func(category_free);
    c->mime_types = g_ptr_array_new_with_free_func(g_free);
    c->ext_index = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free);
    c->ext_all = g_hash_table_new_full(g_str_hash, g_str_equal, g_free,
                                       reinterpret_cast<GDestroyNotify>(g_ptr_array_unref));
    for (const char *line : ext_lines)
        ext_index_read_line(c->ext_index, line, EXT_FORMAT_MIME_TYPES, c->ext_all);
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

int remove_entry(const char *path, const struct stat *, int, struct FTW *) {
    return g_remove(path);
}

void remove_fuzz_dir() {
    nftw(fuzz_dir, remove_entry, 8, FTW_DEPTH | FTW_PHYS);
}

// GLib 2.74's key-file parser sets its own error twice for a list value with an unknown escape
// and a backslash at the end (\q\), and warns about itself on every such input; the flood
// would bury what the fuzzer reports. Every other message gets through.
GLogWriterOutput log_writer(GLogLevelFlags level, const GLogField *fields, gsize n, gpointer data) {
    for (gsize i = 0; i < n; i++)
        if (strcmp(fields[i].key, "MESSAGE") == 0 && fields[i].length < 0 &&
            strstr(static_cast<const char *>(fields[i].value), "GError set over the top") !=
                nullptr)
            return G_LOG_WRITER_HANDLED;
    return g_log_writer_default(level, fields, n, data);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    g_log_set_writer_func(log_writer, nullptr, nullptr);
    // Every save syncs the file to disk; in memory that costs nothing, and the fuzzer runs
    // some twenty times as many inputs.
    const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : g_get_tmp_dir();
    fuzz_dir = g_build_filename(base, "quarve-fuzz-XXXXXX", nullptr);
    if (g_mkdtemp(fuzz_dir) == nullptr)
        abort();
    atexit(remove_fuzz_dir);
    g_setenv("XDG_CONFIG_HOME", fuzz_dir, TRUE);
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
