// Profiles read and written as text, their lines made items and applications, and applied in
// one change of the settings.
#include "settings/profile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

#include "catalog/type_text.h"
#include "registry/aliases.h"
#include "registry/apps.h"
#include "registry/terminal.h"
#include "settings/assign.h"
#include "settings/pins.h"
#include "util/text.h"

namespace {

constexpr std::pair<const char *, ProfileGroup> PROFILE_GROUPS[] = {
    {"Categories", PROFILE_CATEGORIES},
    {"Types", PROFILE_TYPES},
    {"Pins", PROFILE_PINS},
};

// The most a profile file may hold: a few hundred lines are a whole desktop's defaults.
constexpr off_t PROFILE_SIZE_MAX = 1 << 20;

// The first line of a profile export writes.
constexpr const char *PROFILE_HEADER = "# Default applications, for quarve apply (see quarve(1))";

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && g_ascii_isspace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && g_ascii_isspace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string on_line(size_t line, const std::string &why) {
    return "line " + std::to_string(line) + ": " + why;
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// A string as Nix writes it, between double quotes.
std::string nix_string(const std::string &text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '"' || text[i] == '\\' ||
            (text[i] == '$' && i + 1 < text.size() && text[i + 1] == '{'))
            out += '\\';
        out += text[i];
    }
    return out + "\"";
}

// The file's bytes; the reason when they cannot be read. Only a regular file of a profile's
// size is read: a fifo would wait for a writer for ever, a device give bytes without end.
std::optional<std::string> read_all(const char *path, std::string *bytes) {
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::string(path) + " cannot be read: " + g_strerror(errno);
    struct stat st {};
    std::optional<std::string> refusal;
    if (fstat(fd, &st) != 0)
        refusal = std::string(path) + " cannot be read: " + g_strerror(errno);
    else if (!S_ISREG(st.st_mode))
        refusal = std::string(path) + " is not a regular file";
    else if (st.st_size > PROFILE_SIZE_MAX)
        refusal = std::string(path) + " is too large for a profile (more than 1 MiB)";
    if (refusal) {
        close(fd);
        return refusal;
    }
    char buffer[8192];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int error = errno;
            close(fd);
            return std::string(path) + " cannot be read: " + g_strerror(error);
        }
        if (n == 0)
            break;
        bytes->append(buffer, static_cast<size_t>(n));
        // A file that grows while it is read is held to the same bound.
        if (bytes->size() > static_cast<size_t>(PROFILE_SIZE_MAX)) {
            close(fd);
            return std::string(path) + " is too large for a profile (more than 1 MiB)";
        }
    }
    close(fd);
    return std::nullopt;
}

std::string counted(size_t n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// What an apply whose make step planned plan would do, writing nothing: each type whose settings
// change, with GIO's answer now and the profile's, in *changes; the pins it adds in the message.
Outcome preview(const AssignPlan &plan, const std::string &name,
                std::vector<ProfileChange> *changes) {
    std::unordered_set<std::string> changed(plan.changed.begin(), plan.changed.end());
    for (size_t i = 0; i < plan.types.size(); i++) {
        if (!changed.contains(plan.types[i]))
            continue;
        g_autoptr(GAppInfo) now = apps_default_for_type(plan.types[i].c_str());
        changes->push_back({plan.types[i], now != nullptr ? apps_desktop_id(now) : "",
                            apps_desktop_id(plan.apps[i])});
    }
    std::vector<PinState> pins;
    pins_status(&pins);
    std::vector<std::string> pinning;
    for (size_t i = 0; i < plan.pinned.size(); i++) {
        auto at = std::find(plan.types.begin(), plan.types.end(), plan.pinned[i]);
        std::string id = apps_desktop_id(plan.apps[at - plan.types.begin()]);
        bool held_already = std::any_of(pins.begin(), pins.end(), [&](const PinState &p) {
            return p.type == plan.pinned[i] && p.app_id == id;
        });
        if (!held_already)
            pinning.push_back(plan.pinned[i]);
    }
    if (!pinning.empty())
        return outcome_ok("Would pin: " + text_join(pinning));
    return outcome_ok(changes->empty() ? "Nothing would change: " + name + " is in effect" : "");
}

} // namespace

std::optional<std::string> profile_parse(std::string_view text, Profile *profile) {
    *profile = {};
    const char *end = nullptr;
    if (!g_utf8_validate(text.data(), static_cast<gssize>(text.size()), &end)) {
        std::string_view before = text.substr(0, static_cast<size_t>(end - text.data()));
        return on_line(static_cast<size_t>(std::count(before.begin(), before.end(), '\n')) + 1,
                       "not UTF-8 text");
    }
    // Where the lines go: a known group, one that is ignored, or none yet.
    std::optional<ProfileGroup> group;
    bool ignored = false, grouped = false;
    for (size_t number = 1; !text.empty(); number++) {
        size_t eol = text.find('\n');
        std::string_view line = trimmed(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            std::string_view name = line.substr(1, line.size() - 1);
            if (line.back() != ']')
                return on_line(number, "the group " + quoted(line) + " has no closing \"]\"");
            name.remove_suffix(1);
            if (name.empty() || name.find_first_of("[]") != std::string_view::npos)
                return on_line(number, quoted(line) + " is no group's name");
            auto known = std::find_if(std::begin(PROFILE_GROUPS), std::end(PROFILE_GROUPS),
                                      [&](const auto &g) { return name == g.first; });
            grouped = true;
            ignored = known == std::end(PROFILE_GROUPS);
            if (ignored)
                profile->warnings.push_back(
                    on_line(number, "unknown group [" + std::string(name) +
                                        "] ignored (groups: Categories, Types, Pins)"));
            else
                group = known->second;
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            return on_line(number, quoted(line) + " is not KEY=DESKTOP-ID, a group or a comment");
        std::string_view key = trimmed(line.substr(0, equals));
        std::string_view id = trimmed(line.substr(equals + 1));
        if (key.empty())
            return on_line(number, quoted(line) + " has no key before \"=\"");
        if (!grouped)
            return on_line(number, std::string(key) + " stands before any group");
        if (ignored)
            continue;
        // A list's spelling ("a.desktop;") is taken; a list of several is not.
        if (!id.empty() && id.back() == ';')
            id = trimmed(id.substr(0, id.size() - 1));
        if (id.empty())
            return on_line(number, std::string(key) + " names no desktop ID");
        if (id.find(';') != std::string_view::npos)
            return on_line(number, std::string(key) + " names more than one desktop ID");
        std::string app(id);
        if (!g_str_has_suffix(app.c_str(), ".desktop"))
            app += ".desktop";
        profile->lines.push_back({*group, std::string(key), app, number});
    }
    return std::nullopt;
}

std::optional<std::string> profile_read(const char *path, Profile *profile) {
    *profile = {};
    if (g_file_test(path, G_FILE_TEST_IS_DIR))
        return std::string(path) + " is a folder";
    std::string bytes;
    if (auto error = read_all(path, &bytes))
        return error;
    if (auto error = profile_parse(bytes, profile))
        return std::string(path) + ": " + *error;
    return std::nullopt;
}

std::optional<Item> profile_line_item(const ProfileLine &line, Catalog *catalog, std::string *why) {
    const char *key = line.key.c_str();
    std::optional<Item> item;
    switch (line.group) {
    case PROFILE_CATEGORIES:
        item = item_lookup(catalog, key);
        if (!item || !item->category)
            *why = "no category of the catalogue is called " + quoted(key) + " (see quarve list)";
        return item && item->category ? item : std::nullopt;
    case PROFILE_TYPES: {
        g_autofree char *type = type_text_resolve(key);
        if (type != nullptr)
            item = item_lookup(catalog, type);
        if (!item || item->category)
            *why = quoted(key) + " is not a MIME type or a known file extension";
        return item && !item->category ? item : std::nullopt;
    }
    case PROFILE_PINS:
        item = item_lookup(catalog, key);
        if (!item)
            *why = quoted(key) + " is not a category, a MIME type or a known file extension";
        return item;
    }
    return std::nullopt;
}

ProfileChoices profile_choices(Profile *profile, Catalog *catalog) {
    ProfileChoices out;
    std::vector<ProfileChoice> all;
    std::vector<bool> kept;
    std::unordered_map<std::string, size_t> named; // an item's name: its latest line's choice
    for (const ProfileLine &line : profile->lines) {
        std::string why;
        std::optional<Item> item = profile_line_item(line, catalog, &why);
        if (!item) {
            out.unknown.push_back(on_line(line.line, why));
            continue;
        }
        // GIO takes any type, but one the MIME database does not know is most likely misspelt;
        // schemes are not in it.
        if (!item->category && !item_type_registered(item->name) &&
            !aliases_canonical(item->name) && !g_str_has_prefix(item->name, "x-scheme-handler/"))
            profile->warnings.push_back(on_line(
                line.line, std::string(item->name) + " is a type the MIME database does not know"));
        g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(line.app_id.c_str());
        auto [at, fresh] = named.emplace(item->name, all.size());
        if (!fresh) {
            profile->warnings.push_back(
                on_line(all[at->second].line, std::string(item->name) + " is named again on line " +
                                                  std::to_string(line.line) + "; the last wins"));
            kept[at->second] = false;
            at->second = all.size();
        }
        all.push_back(
            {*item, line.app_id, app != nullptr, line.group == PROFILE_PINS, line.key, line.line});
        kept.push_back(true);
    }
    for (bool categories : {true, false})
        for (size_t i = 0; i < all.size(); i++)
            if (kept[i] && all[i].item.category == categories)
                out.choices.push_back(all[i]);
    return out;
}

std::string profile_text(const Profile &profile) {
    std::string out = std::string(PROFILE_HEADER) + "\n";
    for (const auto &[name, group] : PROFILE_GROUPS) {
        out += std::string(group == PROFILE_CATEGORIES ? "" : "\n") + "[" + name + "]\n";
        for (const ProfileLine &line : profile.lines)
            if (line.group == group)
                out += line.key + "=" + line.app_id + "\n";
    }
    return out;
}

std::string profile_home_manager(const std::vector<std::pair<std::string, std::string>> &types) {
    std::string out = "xdg.mimeApps.defaultApplications = {\n";
    for (const auto &[type, id] : types)
        out += "  " + nix_string(type) + " = " + nix_string(id) + ";\n";
    return out + "};\n";
}

Outcome profile_apply(const ProfileChoices &in, const std::string &name, Catalog *catalog,
                      bool pin_all, bool dry_run, std::vector<ProfileChange> *changes) {
    const std::string failed = "Failed to apply " + name + ": ";
    std::vector<std::string> problems = in.unknown;
    g_autoptr(GPtrArray) held = g_ptr_array_new_with_free_func(g_object_unref);
    std::vector<AssignChoice> choices;
    std::string undeclared;
    for (const ProfileChoice &c : in.choices) {
        GDesktopAppInfo *app = g_desktop_app_info_new(c.app_id.c_str());
        if (app == nullptr) {
            problems.push_back(on_line(c.line, c.app_id + " is not installed"));
            continue;
        }
        g_ptr_array_add(held, app);
        choices.push_back({c.item, G_APP_INFO(app), c.pin || pin_all});
        const char *const *declared = g_app_info_get_supported_types(G_APP_INFO(app));
        for (const char *type : c.item.types)
            if (!aliases_covers(declared, type))
                undeclared +=
                    (undeclared.empty() ? "" : ", ") + std::string(type) + " (" + c.app_id + ")";
    }
    // All or nothing: a profile that names something that is not there changes nothing.
    if (!problems.empty())
        return outcome_failed(failed + text_join(problems, "; "));
    JournalEntry entry{"", "", name, {}, {}, "", "", name};
    AssignPlan plan;
    Change change{name, {}, {}, ""};
    if (dry_run) {
        if (auto refusal = assign_make(&change, choices, catalog, entry, &plan, true))
            return outcome_failed(failed + *refusal);
        return preview(plan, name, changes);
    }
    std::string later;
    auto make = [&](Change *c) { return assign_make(c, choices, catalog, entry, &plan); };
    auto check = [&](const Change &c) { return assign_check(c, plan, &later); };
    if (auto error = change_run(&change, make, check))
        return outcome_failed(failed + *error);
    bool lists = false, pins = false;
    for (const ChangeFile &f : change.files) {
        lists = lists || (f.list && f.written);
        pins = pins || (!f.list && f.written);
    }
    std::string did;
    if (lists)
        did = counted(plan.changed.size(), "type", "types") + " changed";
    if (pins && !plan.pinned.empty())
        did += (did.empty() ? "" : ", ") + counted(plan.pinned.size(), "type", "types") + " pinned";
    Outcome done = outcome_ok(did.empty() ? "Nothing to change: " + name + " is in effect"
                                          : "Applied " + name + ": " + did);
    std::vector<std::string> warnings;
    // Said first, as for one assignment: every file or link the default opens will fail.
    std::unordered_set<std::string> said;
    for (const AssignChoice &c : choices)
        if (said.insert(apps_desktop_id(c.app)).second && terminal_missing(c.app))
            warnings.push_back(std::string(apps_display_name(c.app)) +
                               " runs in a terminal and GIO finds none");
    if (!change.recovered.empty())
        warnings.push_back(change.recovered);
    if (!change.journal.error.empty())
        warnings.push_back("it cannot be undone: " + change.journal.error);
    else if (!plan.journal_warning.empty())
        warnings.push_back(plan.journal_warning);
    if (!undeclared.empty())
        warnings.push_back("not declared by its application: " + undeclared);
    if (!later.empty())
        warnings.push_back(later);
    done.warning = text_join(warnings, "; ");
    return done;
}
