#include "appdb/aliases.h"

#include <glib.h>
#include <string_view>
#include <unordered_map>

namespace {

using AliasTable = std::unordered_map<std::string, std::string>;

// "alias canonical", one pair a line; the first folder that names an alias wins.
void read_aliases(const char *data_dir, AliasTable *table) {
    g_autofree char *path = g_build_filename(data_dir, "mime", "aliases", nullptr);
    g_autofree char *contents = nullptr;
    if (!g_file_get_contents(path, &contents, nullptr, nullptr))
        return;
    std::string_view rest(contents);
    while (!rest.empty()) {
        size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        size_t space = line.find(' ');
        if (line.empty() || line[0] == '#' || space == std::string_view::npos)
            continue;
        table->emplace(line.substr(0, space), line.substr(space + 1));
    }
}

// Read once: the database changes only when packages are installed.
const AliasTable &alias_table() {
    static const AliasTable table = [] {
        AliasTable t;
        read_aliases(g_get_user_data_dir(), &t);
        for (const char *const *dir = g_get_system_data_dirs(); *dir != nullptr; dir++)
            read_aliases(*dir, &t);
        return t;
    }();
    return table;
}

} // namespace

std::optional<std::string> aliases_canonical(const char *type) {
    auto it = alias_table().find(type);
    if (it == alias_table().end())
        return std::nullopt;
    return it->second;
}
