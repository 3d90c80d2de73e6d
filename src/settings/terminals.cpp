// Putting a terminal emulator first in the user's lists of preferred terminals.
#include "settings/terminals.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/apps.h"
#include "registry/terminal.h"
#include "settings/change.h"
#include "settings/journal.h"
#include "util/files.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// The terminal a list prefers first, or nullopt when it names none.
std::optional<std::string> first_entry(std::string_view bytes) {
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        if (auto entry = terminal_list_entry(bytes.substr(0, end)))
            return std::string(*entry);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    }
    return std::nullopt;
}

// bytes with id as their first terminal: on a line of its own before the first line that names
// one (or at the end), any other line that names id alone taken out, every other line kept.
// The new line ends as the list's lines do.
std::string put_first(std::string_view bytes, const std::string &id) {
    if (first_entry(bytes) == id)
        return std::string(bytes);
    size_t first_end = bytes.find('\n');
    std::string eol =
        first_end != std::string_view::npos && first_end > 0 && bytes[first_end - 1] == '\r'
            ? "\r\n"
            : "\n";
    std::string out;
    bool placed = false;
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end == std::string_view::npos ? end : end + 1);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        std::optional<std::string_view> entry = terminal_list_entry(line);
        if (entry && *entry == id)
            continue;
        if (entry && !placed) {
            out += id + eol;
            placed = true;
        }
        out += line;
    }
    if (!placed) {
        if (!out.empty() && out.back() != '\n')
            out += eol;
        out += id + eol;
    }
    return out;
}

// What the list at path holds (nullopt: nothing, or a link to a file still to be made); the
// reason when it cannot be read.
std::optional<std::string> read_list(const std::string &path, std::optional<std::string> *bytes) {
    *bytes = std::nullopt;
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        return std::nullopt;
    *bytes = files_read(path.c_str());
    if (!*bytes)
        return path + " cannot be read";
    return std::nullopt;
}

// Why the list at path may not be written.
std::optional<std::string> list_refusal(const std::string &path) {
    bool link = g_file_test(path.c_str(), G_FILE_TEST_IS_SYMLINK);
    if (!link && !g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        return std::nullopt;
    if (auto refusal = files_refusal(path.c_str()))
        return link ? path + " is a link to a file that cannot be written" : *refusal;
    return std::nullopt;
}

} // namespace

Outcome terminals_prefer(GAppInfo *app) {
    const std::string id = apps_desktop_id(app), name = apps_display_name(app);
    const std::string what = name + " as the preferred terminal";
    std::vector<std::string> lists;
    std::string journal_warning;
    Change change{what, {}, {}, ""};
    auto make = [&](Change *c) -> std::optional<std::string> {
        lists.clear();
        JournalEntry entry{id, name, "", {}, {}, "", "", what};
        // The user's desktop-specific lists outrank xdg-terminals.list where they name a
        // terminal; one that names none passes the choice on to it.
        std::vector<std::string> paths = paths_terminal_desktop_lists();
        paths.push_back(paths_terminal_list());
        for (const std::string &path : paths) {
            std::optional<std::string> before;
            if (auto error = read_list(path, &before))
                return error;
            bool last = path == paths.back();
            if (!last && !(before && first_entry(*before)))
                continue;
            std::string after = put_first(before.value_or(""), id);
            // Only a list that gets new bytes must take them: one left alone may be read-only.
            if (after != before)
                if (auto refusal = list_refusal(path))
                    return refusal;
            lists.push_back(path);
            c->files.push_back({path, before, after, false, false});
            if (after != before)
                entry.files.push_back({path, before, journal_sum(after)});
        }
        journal_warning.clear();
        if (entry.files.empty())
            return std::nullopt;
        std::string why;
        if (!journal_writable(&why)) {
            journal_warning = "it cannot be undone: " + why;
            return std::nullopt;
        }
        entry.token = journal_token();
        c->journal.add = std::move(entry);
        return std::nullopt;
    };
    if (auto error = change_run(&change, make, nullptr))
        return outcome_failed("Failed to make " + name + " the preferred terminal: " + *error);
    bool wrote = false;
    std::vector<OutcomeType> files;
    for (const ChangeFile &f : change.files) {
        wrote = wrote || f.written;
        files.push_back({f.path, f.written ? "written" : "kept"});
    }
    Outcome done = outcome_ok(name + (wrote ? " is now" : " already is") +
                              " the preferred terminal: first in " + text_join(lists, " and "));
    done.types = std::move(files);
    TerminalFound gio = terminal_gio();
    std::string heeded = terminal_list_heeded(gio);
    if (terminal_follows_list(gio))
        done.message += "; " + heeded;
    if (!change.journal.error.empty())
        journal_warning = "it cannot be undone: " + change.journal.error;
    std::vector<std::string> warnings;
    for (const std::string &w :
         {terminal_follows_list(gio) ? std::string() : heeded, change.recovered, journal_warning})
        if (!w.empty())
            warnings.push_back(w);
    done.warning = text_join(warnings, "; ");
    return done;
}
