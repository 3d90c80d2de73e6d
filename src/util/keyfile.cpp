#include "util/keyfile.h"

GKeyFile *keyfile_load_for_update(const char *path, GError **error) {
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_file_test(path, G_FILE_TEST_EXISTS))
        return g_steal_pointer(&kf);
    auto flags =
        static_cast<GKeyFileFlags>(G_KEY_FILE_KEEP_COMMENTS | G_KEY_FILE_KEEP_TRANSLATIONS);
    if (g_key_file_load_from_file(kf, path, flags, nullptr))
        return g_steal_pointer(&kf);
    g_autofree char *contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path, &contents, &length, error))
        return nullptr;
    // A slip in a hand-edited file never costs the user what is in it. An earlier backup is
    // another damaged file the user has not looked at yet: it stays.
    g_autofree char *backup = g_strconcat(path, ".bak", nullptr);
    for (int n = 1; g_file_test(backup, G_FILE_TEST_EXISTS); n++) {
        g_free(backup);
        backup = g_strdup_printf("%s.bak.%d", path, n);
    }
    if (!g_file_set_contents(backup, contents, static_cast<gssize>(length), error))
        return nullptr;
    return g_key_file_new();
}

std::vector<std::string> keyfile_split_list(std::string_view raw) {
    std::vector<std::string> items;
    std::string item;
    bool pending = false;
    for (size_t i = 0; i < raw.size(); i++) {
        char c = raw[i];
        pending = true;
        if (c == '\\' && i + 1 < raw.size()) {
            char e = raw[++i];
            switch (e) {
            case 's':
                item += ' ';
                break;
            case 'n':
                item += '\n';
                break;
            case 't':
                item += '\t';
                break;
            case 'r':
                item += '\r';
                break;
            case '\\':
            case ';':
                item += e;
                break;
            default:
                item += '\\';
                item += e;
                break;
            }
        } else if (c == ';') {
            items.push_back(std::move(item));
            item.clear();
            pending = false;
        } else {
            item += c;
        }
    }
    if (pending)
        items.push_back(std::move(item));
    return items;
}
