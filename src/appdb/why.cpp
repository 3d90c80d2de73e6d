#include "appdb/why.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "appdb/aliases.h"

namespace {

constexpr const char *WHY_DEFAULTS = "Default Applications";
constexpr const char *WHY_ADDED = "Added Associations";
constexpr const char *WHY_REMOVED = "Removed Associations";

// How many bytes of a file its type is guessed from, as file managers do.
constexpr gsize WHY_SNIFF_BYTES = 4096;

// One list file GIO reads, and whether it takes associations or only defaults.
struct ListFile {
    std::string path;
    bool associations;
};

// The folders GIO reads lists from, in its order of precedence, each with its files in the
// order GIO reads them: the desktop-specific lists, mimeapps.list, and in application folders
// the older defaults.list.
std::vector<ListFile> list_files() {
    std::vector<std::string> desktops;
    const char *current = g_getenv("XDG_CURRENT_DESKTOP");
    g_auto(GStrv) names = g_strsplit(current ? current : "", ":", -1);
    for (char **n = names; *n != nullptr; n++)
        if (**n != '\0') {
            g_autofree char *lower = g_ascii_strdown(*n, -1);
            desktops.push_back(lower);
        }
    std::vector<std::pair<std::string, bool>> folders; // folder, is an application folder
    folders.push_back({g_get_user_config_dir(), false});
    for (const char *const *d = g_get_system_config_dirs(); *d != nullptr; d++)
        folders.push_back({*d, false});
    g_autofree char *user_apps = g_build_filename(g_get_user_data_dir(), "applications", nullptr);
    folders.push_back({user_apps, true});
    for (const char *const *d = g_get_system_data_dirs(); *d != nullptr; d++) {
        g_autofree char *apps = g_build_filename(*d, "applications", nullptr);
        folders.push_back({apps, true});
    }
    std::vector<ListFile> files;
    for (const auto &[folder, applications] : folders) {
        for (const std::string &desktop : desktops)
            files.push_back({folder + "/" + desktop + "-mimeapps.list", false});
        files.push_back({folder + "/mimeapps.list", true});
        if (applications)
            files.push_back({folder + "/defaults.list", false});
    }
    return files;
}

bool installed(const std::string &id) {
    g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(id.c_str());
    return app != nullptr;
}

std::vector<std::string> ids_of(const std::string &value) {
    std::vector<std::string> ids;
    g_auto(GStrv) parts = g_strsplit(value.c_str(), ";", -1);
    for (char **p = parts; *p != nullptr; p++) {
        g_autofree char *id = g_strstrip(g_strdup(*p));
        if (*id != '\0')
            ids.push_back(id);
    }
    return ids;
}

// The keys of group in kf that stand for type (itself, or one of its other names).
std::vector<std::pair<std::string, std::string>> keys_for(GKeyFile *kf, const char *group,
                                                          const std::string &canonical) {
    std::vector<std::pair<std::string, std::string>> out;
    g_auto(GStrv) keys = g_key_file_get_keys(kf, group, nullptr, nullptr);
    for (char **k = keys; k != nullptr && *k != nullptr; k++) {
        if (aliases_unalias(*k) != canonical)
            continue;
        g_autofree char *value = g_key_file_get_value(kf, group, *k, nullptr);
        out.push_back({*k, value ? value : ""});
    }
    return out;
}

// The entries every list gives type, in GIO's order.
std::vector<WhyList> entries_for(const std::vector<ListFile> &files, const std::string &type) {
    std::vector<WhyList> out;
    for (const ListFile &f : files) {
        g_autoptr(GKeyFile) kf = g_key_file_new();
        if (!g_key_file_load_from_file(kf, f.path.c_str(), G_KEY_FILE_NONE, nullptr))
            continue;
        for (const char *group : {WHY_DEFAULTS, WHY_ADDED, WHY_REMOVED})
            for (const auto &[key, value] : keys_for(kf, group, type)) {
                WhyList entry{f.path, group, key + "=" + value, "", ""};
                if (!f.associations && group != WHY_DEFAULTS) {
                    entry.verdict = "skipped";
                    entry.reason = "GIO reads only defaults from this list";
                }
                out.push_back(entry);
            }
    }
    return out;
}

std::string value_of(const WhyList &entry) {
    return entry.value.substr(entry.value.find('=') + 1);
}

// Gives each entry of one type its verdict, given the application GIO answers with. The first
// default naming an installed application decides; associations count only without one.
// Returns the entry that decides, or nullptr.
WhyList *judge(std::vector<WhyList> &entries, const std::string &answer) {
    WhyList *decider = nullptr;
    for (WhyList &e : entries) {
        if (!e.verdict.empty() || e.group != WHY_DEFAULTS)
            continue;
        std::vector<std::string> ids = ids_of(value_of(e));
        auto first = std::find_if(ids.begin(), ids.end(), installed);
        if (first == ids.end()) {
            e.verdict = "skipped";
            e.reason = (ids.empty() ? std::string("names no application")
                                    : ids.front() + " is not installed");
        } else if (decider == nullptr && *first == answer) {
            e.verdict = "decides";
            decider = &e;
        } else {
            e.verdict = "outranked";
            e.reason = decider ? "an earlier list decides" : "GIO answers " + answer;
        }
    }
    for (WhyList &e : entries) {
        if (!e.verdict.empty())
            continue;
        if (e.group == WHY_REMOVED) {
            e.verdict = "skipped";
            e.reason = decider ? "Removed Associations do not undo a default"
                               : "takes applications out of the candidates";
            continue;
        }
        std::vector<std::string> ids = ids_of(value_of(e));
        bool names_answer = std::find(ids.begin(), ids.end(), answer) != ids.end();
        if (decider == nullptr && names_answer && ids.front() == answer) {
            e.verdict = "decides";
            decider = &e;
        } else {
            e.verdict = "outranked";
            e.reason = decider ? "a default decides" : "an earlier association comes first";
        }
    }
    return decider;
}

// The applications that name type itself in their desktop files (mimeinfo.cache).
bool associated_itself(const std::string &type) {
    g_autolist(GAppInfo) all = g_app_info_get_all();
    for (GList *l = all; l != nullptr; l = l->next) {
        const char *const *types = g_app_info_get_supported_types(G_APP_INFO(l->data));
        for (const char *const *t = types; t != nullptr && *t != nullptr; t++)
            if (aliases_unalias(*t) == type)
                return true;
    }
    return false;
}

bool declares(GAppInfo *app, const std::string &type) {
    const char *const *types = g_app_info_get_supported_types(app);
    for (const char *const *t = types; t != nullptr && *t != nullptr; t++)
        if (aliases_unalias(*t) == type)
            return true;
    return false;
}

// The Exec line with the argument put in as GIO puts it in: %f and %F a path, %u and %U a URI,
// %c the name, %k the desktop file; codes GIO drops go.
std::string command_for(GAppInfo *app, const char *path, const char *uri) {
    const char *exec = g_app_info_get_commandline(app);
    std::string out;
    for (const char *p = exec ? exec : ""; *p != '\0'; p++) {
        if (*p != '%' || p[1] == '\0') {
            out += *p;
            continue;
        }
        char code = *++p;
        auto quoted = [](const char *s) {
            g_autofree char *q = g_shell_quote(s);
            return std::string(q);
        };
        switch (code) {
        case 'f':
        case 'F':
            out += quoted(path != nullptr ? path : uri);
            break;
        case 'u':
        case 'U':
            out += quoted(uri);
            break;
        case 'c':
            out += quoted(g_app_info_get_name(app));
            break;
        case 'k':
            if (G_IS_DESKTOP_APP_INFO(app) &&
                g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app)) != nullptr)
                out += quoted(g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app)));
            break;
        case '%':
            out += '%';
            break;
        default:
            break;
        }
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

WhyType why_type(const char *type) {
    WhyType why;
    why.type = type;
    g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type, FALSE);
    if (app != nullptr) {
        const char *id = g_app_info_get_id(app);
        why.id = id ? id : "";
        why.name = g_app_info_get_name(app);
        if (G_IS_DESKTOP_APP_INFO(app) &&
            g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app)) != nullptr)
            why.file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app));
        why.declared = declares(app, aliases_unalias(type));
    }
    std::vector<ListFile> files = list_files();
    std::vector<std::string> chain = aliases_ancestry(type);
    why.lists = entries_for(files, chain[0]);
    std::string answer = why.id.value_or("");
    WhyList *decider = judge(why.lists, answer);
    if (decider != nullptr) {
        why.decided_file = decider->file;
        why.decided_group = decider->group;
        why.decision = "decided by " + decider->file + " [" + decider->group + "]";
        return why;
    }
    if (app == nullptr) {
        why.decision = "no application opens it";
        return why;
    }
    // GIO looks at a parent type only when nothing names the type itself.
    if (!associated_itself(chain[0])) {
        for (size_t i = 1; i < chain.size(); i++) {
            g_autoptr(GAppInfo) parent = g_app_info_get_default_for_type(chain[i].c_str(), FALSE);
            if (parent != nullptr && g_app_info_equal(parent, app)) {
                why.inherited_from = chain[i];
                std::vector<WhyList> inherited = entries_for(files, chain[i]);
                WhyList *from = judge(inherited, answer);
                why.decision = "inherited from " + chain[i] +
                               (from ? ", decided by " + from->file + " [" + from->group + "]"
                                     : ", GIO's own choice for it");
                if (from != nullptr) {
                    why.decided_file = from->file;
                    why.decided_group = from->group;
                }
                why.lists.insert(why.lists.end(), inherited.begin(), inherited.end());
                return why;
            }
        }
    }
    bool named = std::any_of(why.lists.begin(), why.lists.end(), [&](const WhyList &e) {
        std::vector<std::string> ids = ids_of(value_of(e));
        return e.group != WHY_REMOVED && std::find(ids.begin(), ids.end(), answer) != ids.end();
    });
    why.decision = named || why.lists.empty() ? "GIO's own choice: the first of its candidates"
                                              : "GIO answers " + answer + "; no list names it";
    return why;
}

std::optional<WhyType> why_target(const char *target) {
    std::string_view t(target);
    size_t colon = t.find(':');
    bool url = colon != std::string_view::npos && colon >= 2 && g_ascii_isalpha(t[0]) &&
               std::all_of(t.begin(), t.begin() + static_cast<long>(colon), [](char c) {
                   return g_ascii_isalnum(c) || c == '+' || c == '-' || c == '.';
               });
    std::string type, path, uri;
    if (url) {
        g_autofree char *scheme = g_ascii_strdown(target, static_cast<gssize>(colon));
        type = std::string("x-scheme-handler/") + scheme;
        uri = target;
    } else if (g_file_test(target, G_FILE_TEST_EXISTS)) {
        g_autoptr(GFile) file = g_file_new_for_commandline_arg(target);
        g_autofree char *p = g_file_get_path(file);
        g_autofree char *u = g_file_get_uri(file);
        path = p ? p : target;
        uri = u ? u : target;
        if (g_file_test(target, G_FILE_TEST_IS_DIR)) {
            type = "inode/directory";
        } else {
            // The name and the first bytes, as a file manager guesses.
            char head[WHY_SNIFF_BYTES];
            gsize length = 0;
            if (FILE *f = fopen(target, "rb")) {
                length = fread(head, 1, sizeof head, f);
                fclose(f);
            }
            g_autofree char *guess = g_content_type_guess(
                path.c_str(), reinterpret_cast<const guchar *>(head), length, nullptr);
            g_autofree char *mime = g_content_type_get_mime_type(guess);
            type = mime ? mime : guess;
        }
    } else {
        return std::nullopt;
    }
    WhyType why = why_type(type.c_str());
    g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type.c_str(), FALSE);
    if (app != nullptr) {
        why.command = command_for(app, url ? nullptr : path.c_str(), uri.c_str());
        why.terminal = G_IS_DESKTOP_APP_INFO(app) &&
                       g_desktop_app_info_get_boolean(G_DESKTOP_APP_INFO(app), "Terminal");
    }
    return why;
}

bool why_user_default(const char *type) {
    g_autofree char *apps = g_build_filename(g_get_user_data_dir(), "applications", nullptr);
    std::vector<ListFile> mine;
    for (const ListFile &f : list_files())
        if (g_str_has_prefix(f.path.c_str(),
                             (std::string(g_get_user_config_dir()) + "/").c_str()) ||
            g_str_has_prefix(f.path.c_str(), (std::string(apps) + "/").c_str()))
            mine.push_back(f);
    for (const WhyList &e : entries_for(mine, aliases_unalias(type)))
        if (e.group == WHY_DEFAULTS)
            return true;
    return false;
}

std::vector<std::string> why_text(const WhyType &why) {
    std::vector<std::string> lines;
    if (why.id)
        lines.push_back(why.type + ": " + *why.id + " (" + why.name.value_or("") + ")");
    else
        lines.push_back(why.type + ": no default");
    if (why.file)
        lines.push_back("  file: " + *why.file);
    lines.push_back("  " + why.decision);
    if (why.id)
        lines.push_back(std::string("  declared: ") + (why.declared ? "yes" : "no"));
    // The file first and the entry below it, so that a narrow screen loses neither.
    for (const WhyList &e : why.lists) {
        lines.push_back("  " + e.verdict + ": " + e.file + " [" + e.group + "]");
        lines.push_back("      " + e.value + (e.reason.empty() ? "" : " (" + e.reason + ")"));
    }
    if (why.command)
        lines.push_back("  command: " + *why.command + (why.terminal ? " (in a terminal)" : ""));
    return lines;
}
