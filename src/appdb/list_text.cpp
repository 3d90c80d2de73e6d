#include "appdb/list_text.h"

#include <string_view>
#include <vector>

namespace {

enum LineKind { LINE_BLANK, LINE_COMMENT, LINE_GROUP, LINE_ENTRY };

struct Line {
    std::string text; // without its line feed
    LineKind kind;
    std::string name; // the group's name, or the entry's key
};

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

Line classify(std::string text) {
    std::string_view t = trim(text);
    if (t.empty())
        return {std::move(text), LINE_BLANK, ""};
    if (t.front() == '#')
        return {std::move(text), LINE_COMMENT, ""};
    if (t.front() == '[' && t.back() == ']')
        return {std::move(text), LINE_GROUP, std::string(t.substr(1, t.size() - 2))};
    size_t eq = t.find('=');
    std::string key(trim(t.substr(0, eq == std::string_view::npos ? t.size() : eq)));
    return {std::move(text), LINE_ENTRY, key};
}

std::vector<Line> split(const std::string &text) {
    std::vector<Line> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(classify(text.substr(at, end - at)));
        at = end + 1;
    }
    return lines;
}

std::string join(const std::vector<Line> &lines) {
    std::string out;
    for (const Line &l : lines)
        out += l.text + "\n";
    return out;
}

// The lines of group: from its header to the next header. [first, end), or first = -1.
void find_group(const std::vector<Line> &lines, const char *group, long *first, long *end) {
    *first = -1;
    *end = -1;
    for (long i = 0; i < static_cast<long>(lines.size()); i++) {
        if (lines[i].kind != LINE_GROUP)
            continue;
        if (*first >= 0) {
            *end = i;
            return;
        }
        if (lines[i].name == group)
            *first = i;
    }
    *end = static_cast<long>(lines.size());
}

} // namespace

std::string list_text_set(const std::string &text, const char *group, const char *key,
                          const std::optional<std::string> &value) {
    std::vector<Line> lines = split(text);
    long first = -1, end = -1;
    find_group(lines, group, &first, &end);
    if (first < 0) {
        if (!value)
            return text;
        if (!lines.empty() && lines.back().kind != LINE_BLANK)
            lines.push_back({"", LINE_BLANK, ""});
        lines.push_back({std::string("[") + group + "]", LINE_GROUP, group});
        lines.push_back({std::string(key) + "=" + *value, LINE_ENTRY, key});
        return join(lines);
    }
    // The last line of the key counts, as for every key-file reader; earlier ones go.
    long found = -1;
    for (long i = end - 1; i > first; i--) {
        if (lines[i].kind != LINE_ENTRY || lines[i].name != key)
            continue;
        if (found < 0 && value) {
            found = i;
            lines[i].text = std::string(key) + "=" + *value;
        } else {
            lines.erase(lines.begin() + i);
            end--;
        }
    }
    if (found < 0 && value) {
        long at = end;
        while (at - 1 > first && lines[at - 1].kind == LINE_BLANK)
            at--;
        lines.insert(lines.begin() + at, {std::string(key) + "=" + *value, LINE_ENTRY, key});
        return join(lines);
    }
    bool empty = true;
    for (long i = first + 1; i < end; i++)
        empty = empty && lines[i].kind == LINE_BLANK;
    if (empty) {
        long from = first > 0 && lines[first - 1].kind == LINE_BLANK ? first - 1 : first;
        lines.erase(lines.begin() + from, lines.begin() + end);
    }
    return join(lines);
}
