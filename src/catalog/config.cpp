#include "catalog/config.h"

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/catalog.h"
#include "catalog/category.h"
#include "catalog/type_list.h"
#include "util/files.h"
#include "util/keyfile.h"
#include "util/paths.h"

namespace {

constexpr const char *CONFIG_GROUP_CATEGORIES = "Categories";
constexpr const char *CONFIG_GROUP_EXTRA = "Extra";
constexpr const char *CONFIG_KEY_TYPES = "mimetypes";

// The list under group/key. A value GKeyFile refuses as a list (bytes that are not UTF-8, an
// unknown escape) is split by hand, so that the next save does not drop the user's types.
char **read_list(GKeyFile *kf, const char *group, const char *key) {
    if (char **list = g_key_file_get_string_list(kf, group, key, nullptr, nullptr))
        return list;
    g_autofree char *raw = g_key_file_get_value(kf, group, key, nullptr);
    if (raw == nullptr)
        return nullptr;
    GPtrArray *items = g_ptr_array_new();
    for (const std::string &item : keyfile_split_list(raw))
        g_ptr_array_add(items, g_strndup(item.data(), item.size()));
    g_ptr_array_add(items, nullptr);
    return reinterpret_cast<char **>(g_ptr_array_free(items, FALSE));
}

// Says which line of a file that does not parse is the first one GKeyFile refuses: the
// shortest start of the file that fails to load ends there.
std::string load_problem(const char *path, const char *reason) {
    const std::string tail = "; the built-in categories are shown";
    g_autofree char *contents = nullptr;
    gsize length = 0;
    g_autoptr(GError) error = nullptr;
    if (!g_file_get_contents(path, &contents, &length, &error))
        return std::string(path) + " cannot be read: " + error->message + tail;
    std::string_view text(contents, length);
    std::vector<size_t> ends; // the end of each line, line feed included
    for (size_t at = 0; at < text.size();) {
        size_t eol = text.find('\n', at);
        at = eol == std::string_view::npos ? text.size() : eol + 1;
        ends.push_back(at);
    }
    auto loads = [&](size_t lines) {
        g_autoptr(GKeyFile) kf = g_key_file_new();
        return g_key_file_load_from_data(kf, contents, lines == 0 ? 0 : ends[lines - 1],
                                         G_KEY_FILE_NONE, nullptr) != FALSE;
    };
    size_t good = 0, bad = ends.size(); // the first good lines load; the first bad do not
    while (bad - good > 1) {
        size_t mid = good + (bad - good) / 2;
        (loads(mid) ? good : bad) = mid;
    }
    std::string where = bad > 0 && !loads(bad) ? "line " + std::to_string(bad) + ": " : "";
    return std::string(path) + " cannot be read: " + where + reason + tail;
}

} // namespace

char *config_path() {
    return g_strdup(paths_catalogue().c_str());
}

Outcome config_save(Catalog *c) {
    g_autofree char *path = config_path();
    g_autofree char *dir = g_path_get_dirname(path);
    g_mkdir_with_parents(dir, 0755);
    g_autoptr(GError) error = nullptr;
    g_autoptr(GKeyFile) kf = keyfile_load_for_update(path, &error);
    if (kf == nullptr)
        return outcome_failed(std::string("Failed to save config: ") + error->message);
    // A key that is there already keeps its place (and the comments above it); a new one goes
    // to the end of its group. Keys of the file that the catalogue does not hold are kept.
    for (guint i = 0; i < c->categories->len; i++) {
        auto cat = static_cast<Category *>(g_ptr_array_index(c->categories, i));
        g_key_file_set_string_list(kf, CONFIG_GROUP_CATEGORIES, cat->name, cat->mime_types,
                                   g_strv_length(cat->mime_types));
    }
    g_key_file_set_string_list(kf, CONFIG_GROUP_EXTRA, CONFIG_KEY_TYPES,
                               reinterpret_cast<const char *const *>(c->mime_types->pdata),
                               c->mime_types->len);
    gsize length = 0;
    g_autofree char *data = g_key_file_to_data(kf, &length, nullptr);
    if (!files_replace(path, data, length, &error))
        return outcome_failed(std::string("Failed to save config: ") + error->message);
    return {};
}

std::string config_load(Catalog *c) {
    g_autofree char *path = config_path();
    if (!g_file_test(path, G_FILE_TEST_EXISTS))
        return "";
    g_autoptr(GKeyFile) kf = g_key_file_new();
    g_autoptr(GError) error = nullptr;
    std::string problem;
    if (!g_key_file_load_from_file(kf, path, G_KEY_FILE_NONE, &error)) {
        problem = load_problem(path, error->message);
    } else {
        g_ptr_array_set_size(c->categories, 0);
        g_ptr_array_set_size(c->mime_types, 0);
        GHashTable *known = type_list_index(c->mime_types);
        g_auto(GStrv) keys = g_key_file_get_keys(kf, CONFIG_GROUP_CATEGORIES, nullptr, nullptr);
        for (char **key = keys; key != nullptr && *key != nullptr; key++) {
            // "Name[de]" is a translation of the key Name, which GKeyFile hands over when it
            // matches the user's language; it is no category of its own.
            if (strchr(*key, '[') != nullptr)
                continue;
            Category *cat = category_new(*key, read_list(kf, CONFIG_GROUP_CATEGORIES, *key));
            g_ptr_array_add(c->categories, cat);
            for (char **t = cat->mime_types; *t != nullptr; t++)
                type_list_add(c->mime_types, known, *t);
        }
        g_auto(GStrv) extra = read_list(kf, CONFIG_GROUP_EXTRA, CONFIG_KEY_TYPES);
        for (char **t = extra; t != nullptr && *t != nullptr; t++)
            type_list_add(c->mime_types, known, *t);
        g_hash_table_unref(known);
    }
    type_list_sort(c->mime_types);
    return problem;
}
