#include "appdb/mimeapps_guard.h"

#include <glib.h>

char *mimeapps_user_path() {
    return g_build_filename(g_get_user_config_dir(), "mimeapps.list", nullptr);
}

bool mimeapps_writable_safely(const char *path) {
    if (!g_file_test(path, G_FILE_TEST_EXISTS))
        return true;
    g_autoptr(GKeyFile) kf = g_key_file_new();
    return g_key_file_load_from_file(kf, path, G_KEY_FILE_NONE, nullptr);
}
