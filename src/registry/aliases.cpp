#include "registry/aliases.h"

#include <algorithm>
#include <glib.h>
#include <string_view>
#include <unordered_map>

#include "util/paths.h"

namespace {

using AliasTable = std::unordered_map<std::string, std::string>;
using ParentTable = std::unordered_multimap<std::string, std::string>;

// "first second", one pair a line, from the named file of a data folder's MIME database.
template <typename Table> void read_pairs(const char *data_dir, const char *name, Table *table) {
    g_autofree char *path = g_build_filename(data_dir, "mime", name, nullptr);
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

// Read once, the user's folder first: the database changes only when packages are installed.
// For aliases the first folder that names one wins.
template <typename Table> Table read_table(const char *name) {
    Table t;
    for (const std::string &folder : paths_data_folders())
        read_pairs(folder.c_str(), name, &t);
    return t;
}

const AliasTable &alias_table() {
    static const AliasTable table = read_table<AliasTable>("aliases");
    return table;
}

const ParentTable &parent_table() {
    static const ParentTable table = read_table<ParentTable>("subclasses");
    return table;
}

} // namespace

std::optional<std::string> aliases_canonical(const char *type) {
    auto it = alias_table().find(type);
    if (it == alias_table().end())
        return std::nullopt;
    return it->second;
}

std::string aliases_unalias(const char *type) {
    auto canonical = aliases_canonical(type);
    return canonical ? *canonical : std::string(type);
}

std::vector<std::string> aliases_ancestry(const char *type) {
    std::vector<std::string> chain = {aliases_unalias(type)};
    for (size_t i = 0; i < chain.size(); i++) {
        auto [from, to] = parent_table().equal_range(chain[i]);
        for (auto it = from; it != to; ++it)
            if (std::find(chain.begin(), chain.end(), it->second) == chain.end())
                chain.push_back(it->second);
    }
    return chain;
}

bool aliases_covers(const char *const *declared, const char *type) {
    std::vector<std::string> ancestry = aliases_ancestry(type);
    for (const char *const *d = declared; d != nullptr && *d != nullptr; d++)
        if (std::find(ancestry.begin(), ancestry.end(), aliases_unalias(*d)) != ancestry.end())
            return true;
    return false;
}
