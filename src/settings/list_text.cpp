#include "settings/list_text.h"

#include <string_view>

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string key_of(std::string_view group, std::string_view key) {
    std::string k(group);
    k += '\n';
    k += key;
    return k;
}

// What GKeyFile reads as the value of an entry line: after the "=", without the blanks that
// follow it and without a carriage return at the end; other trailing blanks are the value's.
std::string value_of(std::string_view line) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return "";
    std::string_view v = line.substr(eq + 1);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    return std::string(v);
}

// Appends a line of group (a header's line, or SIZE_MAX) and indexes it.
size_t add_line(ListText *list, std::string text, bool cr, size_t group) {
    ListLine line{std::move(text), cr, LIST_LINE_BLANK, false, "", group, {}, false};
    std::string_view t = trim(line.text);
    size_t at = list->lines.size();
    if (t.empty()) {
        line.kind = LIST_LINE_BLANK;
    } else if (t.front() == '#') {
        line.kind = LIST_LINE_COMMENT;
    } else if (t.front() == '[' && t.back() == ']') {
        line.kind = LIST_LINE_GROUP;
        line.name = std::string(t.substr(1, t.size() - 2));
        line.group = at;
        list->groups[line.name].push_back(at);
    } else {
        size_t eq = t.find('=');
        line.kind = LIST_LINE_ENTRY;
        line.name = std::string(trim(t.substr(0, eq == std::string_view::npos ? t.size() : eq)));
        if (line.group != SIZE_MAX)
            list->keys[key_of(list->lines[line.group].name, line.name)].push_back(at);
    }
    list->lines.push_back(std::move(line));
    return at;
}

// The line after which a new key of the group at header goes: its last line that is not
// blank, found once per group.
size_t insertion_point(ListText *list, size_t header) {
    auto [found, added] = list->insert_after.try_emplace(header, header);
    if (!added)
        return found->second;
    for (size_t i = header + 1; i < list->lines.size() && !list->lines[i].follows &&
                                list->lines[i].kind != LIST_LINE_GROUP;
         i++)
        if (list->lines[i].kind != LIST_LINE_BLANK)
            found->second = i;
    return found->second;
}

// The last line written so far that is not gone, or nullptr.
const ListLine *last_written(const ListText &list) {
    for (size_t i = list.lines.size(); i-- > 0;)
        if (!list.lines[i].follows && !list.lines[i].gone)
            return &list.lines[i];
    return nullptr;
}

} // namespace

ListText list_text_parse(const std::string &text) {
    ListText list;
    size_t group = SIZE_MAX;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        // A carriage return before the line feed is the line's end, kept as it is; a file of
        // CRLF lines gets CRLF on the lines quarve writes too.
        bool cr = end > at && end < text.size() && text[end - 1] == '\r';
        if (list.lines.empty())
            list.crlf = cr;
        size_t line = add_line(&list, text.substr(at, end - at - (cr ? 1 : 0)), cr, group);
        if (list.lines[line].kind == LIST_LINE_GROUP)
            group = line;
        at = end + 1;
    }
    list.parsed = list.lines.size();
    return list;
}

std::optional<std::string> list_text_get(const ListText &list, const char *group, const char *key) {
    auto found = list.keys.find(key_of(group, key));
    if (found == list.keys.end())
        return std::nullopt;
    for (auto i = found->second.rbegin(); i != found->second.rend(); ++i)
        if (!list.lines[*i].gone)
            return value_of(list.lines[*i].text);
    return std::nullopt;
}

void list_text_put(ListText *list, const char *group, const char *key,
                   const std::optional<std::string> &value) {
    std::string entry = value ? std::string(key) + "=" + *value : "";
    std::string index = key_of(group, key);
    // The last line of the key counts, as for every key-file reader; earlier ones go.
    bool kept = false;
    for (auto i = list->keys[index].rbegin(); i != list->keys[index].rend(); ++i) {
        ListLine &line = list->lines[*i];
        if (line.gone)
            continue;
        if (!kept && value) {
            line.text = entry;
            kept = true;
            continue;
        }
        line.gone = true;
        list->emptied.push_back(line.group);
    }
    if (kept || !value)
        return;
    auto headers = list->groups.find(group);
    size_t header = SIZE_MAX;
    if (headers != list->groups.end())
        for (size_t h : headers->second)
            if (!list->lines[h].gone) {
                header = h;
                break;
            }
    if (header == SIZE_MAX) {
        // A new group at the end of the text, after a blank line.
        const ListLine *last = last_written(*list);
        if (last != nullptr && last->kind != LIST_LINE_BLANK)
            add_line(list, "", list->crlf, SIZE_MAX);
        header = add_line(list, std::string("[") + group + "]", list->crlf, SIZE_MAX);
    }
    size_t after = insertion_point(list, header);
    size_t line = add_line(list, entry, list->crlf, header);
    list->lines[line].follows = true;
    list->lines[after].followers.push_back(line);
}

std::string list_text_join(const ListText &list) {
    const std::vector<ListLine> &lines = list.lines;
    // A group that an edit left without entries or comments goes, with its blank lines and the
    // blank line before its header.
    std::vector<bool> drop(lines.size(), false);
    std::vector<bool> checked(lines.size(), false);
    std::vector<size_t> live(lines.size(), 0);
    for (const ListLine &line : lines)
        if (!line.gone && line.kind != LIST_LINE_GROUP && line.kind != LIST_LINE_BLANK &&
            line.group != SIZE_MAX)
            live[line.group]++;
    for (size_t h : list.emptied) {
        if (h == SIZE_MAX || checked[h] || live[h] > 0)
            continue;
        checked[h] = true;
        for (size_t i = h; i < list.parsed && (i == h || lines[i].kind != LIST_LINE_GROUP); i++)
            drop[i] = true;
        for (size_t i = h; i-- > 0;) {
            if (lines[i].gone || lines[i].follows)
                continue;
            if (lines[i].kind == LIST_LINE_BLANK)
                drop[i] = true;
            break;
        }
    }
    std::string out;
    std::vector<size_t> pending;
    for (size_t i = 0; i < lines.size(); i++) {
        if (lines[i].follows)
            continue;
        pending.push_back(i);
        while (!pending.empty()) {
            size_t at = pending.back();
            pending.pop_back();
            if (!lines[at].gone && !drop[at])
                out += lines[at].text + (lines[at].cr ? "\r\n" : "\n");
            for (auto f = lines[at].followers.rbegin(); f != lines[at].followers.rend(); ++f)
                pending.push_back(*f);
        }
    }
    return out;
}

std::string list_text_set(const std::string &text, const char *group, const char *key,
                          const std::optional<std::string> &value) {
    ListText list = list_text_parse(text);
    list_text_put(&list, group, key, value);
    return list_text_join(list);
}
