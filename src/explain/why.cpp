// Why a type opens where it does: GIO's own lookup replayed over every list it reads.
#include "explain/why.h"

#include <algorithm>
#include <cstring>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "explain/lookup.h"
#include "registry/aliases.h"
#include "registry/apps.h"
#include "registry/origin.h"
#include "registry/terminal.h"
#include "settings/mimeapps.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

bool has(const std::vector<std::string> &list, const std::string &id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

// Gives each entry up to level last its verdict: the one that gave GIO's answer decides
// (decider, or nullptr when none of them did), every other is outranked by it or skipped, with
// the reason.
void judge(std::vector<LookupEntry> &entries, size_t last, Lookup *lookup,
           const LookupEntry *decider, const std::string &answer) {
    for (LookupEntry &e : entries) {
        if (e.cache || e.level > last)
            continue;
        WhyList &w = e.shown;
        if (&e == decider) {
            w.verdict = "decides";
            continue;
        }
        w.verdict = "skipped";
        if (!e.read) {
            w.reason = "GIO reads only defaults from this list";
            continue;
        }
        if (w.group == MIMEAPPS_REMOVED) {
            w.reason = decider && decider->shown.group == MIMEAPPS_DEFAULTS
                           ? "Removed Associations do not undo a default"
                           : "takes applications out of the candidates";
            continue;
        }
        std::vector<std::string> installed, left_out;
        for (const std::string &id : e.ids)
            if (lookup_loads(lookup, id)) {
                installed.push_back(id);
                if (has(e.removed, id) || has(e.masked, id))
                    left_out.push_back(id);
            }
        if (e.ids.empty()) {
            w.reason = "names no application";
        } else if (installed.empty()) {
            w.reason = e.ids.size() == 1 ? e.ids[0] + " is not installed"
                                         : "none of " + text_join(e.ids) + " is installed";
        } else if (left_out.size() == installed.size()) {
            w.reason = has(e.removed, left_out[0])
                           ? "Removed Associations take " + left_out[0] + " out"
                           : "GIO takes it only from the folder of " + left_out[0];
        } else {
            w.verdict = "outranked";
            if (decider == nullptr)
                w.reason = answer.empty() ? "GIO answers nothing" : "GIO answers " + answer;
            else if (decider->cache)
                w.reason = "an application that declares the type comes first";
            else if (decider->shown.group == MIMEAPPS_ADDED)
                w.reason = "an earlier association comes first";
            else
                w.reason =
                    w.group == MIMEAPPS_DEFAULTS ? "an earlier list decides" : "a default decides";
        }
    }
}

// The Exec line as GIO expands it for one URI (expand_application_parameters): %f a local path
// (a link without one is dropped), %u the local path too unless the link has an anchor or the
// application says X-GIO-NoFuse, else the link, %d and %n the path's folder and name, %i the
// icon, %c the name, %k the desktop file; without any of the file codes the URI goes at the end
// as %f. passed says whether the URI reached the command.
std::string command_for(GAppInfo *app, const std::string &uri, bool *passed) {
    GDesktopAppInfo *desktop = G_IS_DESKTOP_APP_INFO(app) ? G_DESKTOP_APP_INFO(app) : nullptr;
    bool no_fuse = desktop && g_desktop_app_info_get_boolean(desktop, "X-GIO-NoFuse");
    g_autoptr(GFile) file = g_file_new_for_uri(uri.c_str());
    g_autofree char *path = g_file_get_path(file);
    auto quoted = [](const char *s) {
        g_autofree char *q = g_shell_quote(s);
        return std::string(q);
    };
    auto one = [&](char code) -> std::optional<std::string> {
        switch (code) {
        case 'u':
        case 'U':
            return quoted(uri.c_str());
        case 'd':
        case 'D':
        case 'n':
        case 'N': {
            if (path == nullptr)
                return std::nullopt;
            g_autofree char *part =
                g_ascii_tolower(code) == 'd' ? g_path_get_dirname(path) : g_path_get_basename(path);
            return quoted(part);
        }
        default:
            return path ? std::optional(quoted(path)) : std::nullopt;
        }
    };
    bool consumed = false;
    *passed = false;
    auto expand = [&](char code, std::string *out) {
        if (consumed)
            return;
        consumed = true;
        std::optional<std::string> text;
        if (g_ascii_tolower(code) == 'u' && !no_fuse && uri.find('#') == std::string::npos)
            text = one(code == 'u' ? 'f' : 'F');
        if (!text)
            text = one(code);
        if (text) {
            *out += *text;
            *passed = true;
        }
    };
    const char *exec = g_app_info_get_commandline(app);
    std::string out;
    for (const char *p = exec ? exec : ""; *p != '\0'; p++) {
        if (*p != '%' || p[1] == '\0') {
            out += *p;
            continue;
        }
        char code = *++p;
        if (strchr("fFuUdDnN", code) != nullptr) {
            expand(code, &out);
        } else if (code == 'i' && desktop != nullptr) {
            g_autofree char *icon = g_desktop_app_info_get_locale_string(desktop, "Icon");
            if (icon != nullptr) {
                std::string name = icon;
                // GIO drops an image suffix from a themed icon's name.
                for (const char *suffix : {".png", ".xpm", ".svg"})
                    if (!g_path_is_absolute(icon) && g_str_has_suffix(icon, suffix))
                        name.resize(name.size() - strlen(suffix));
                out += "--icon " + quoted(name.c_str());
            }
        } else if (code == 'c' && desktop != nullptr) {
            g_autofree char *name = g_desktop_app_info_get_locale_string(desktop, "Name");
            if (name != nullptr)
                out += quoted(name);
        } else if (code == 'k' && desktop != nullptr &&
                   g_desktop_app_info_get_filename(desktop) != nullptr) {
            out += quoted(g_desktop_app_info_get_filename(desktop));
        } else if (code == '%') {
            out += '%';
        }
    }
    if (!consumed) {
        out += ' ';
        expand('f', &out);
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// The terminal GIO starts app in and the whole command it runs, for an application that asks
// for one; command is the application's own, a shell line as GIO parses it.
std::optional<WhyTerminal> terminal_of(GAppInfo *app, const char *command) {
    if (!apps_runs_in_terminal(app))
        return std::nullopt;
    TerminalFound found = terminal_gio(app);
    std::vector<std::string> words;
    g_auto(GStrv) argv = nullptr;
    if (command != nullptr && g_shell_parse_argv(command, nullptr, &argv, nullptr))
        for (char **a = argv; *a != nullptr; a++)
            words.emplace_back(*a);
    return WhyTerminal{found.program, found.option, terminal_argv(found, words), found.rule,
                       found.known};
}

// word as a shell line shows it: quoted only where it has to be.
std::string shell_word(const std::string &word) {
    bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return g_ascii_isalnum(c) || strchr("/._+-=:,@%", c) != nullptr;
    });
    if (plain)
        return word;
    g_autofree char *quoted = g_shell_quote(word.c_str());
    return quoted;
}

} // namespace

WhyType why_type(const char *type) {
    WhyType why;
    why.type = type;
    g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type, FALSE);
    const char *gio_file = nullptr;
    if (app != nullptr) {
        const char *id = g_app_info_get_id(app);
        why.id = id ? id : "";
        why.name = g_app_info_get_name(app);
        if (G_IS_DESKTOP_APP_INFO(app))
            gio_file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app));
        if (gio_file != nullptr)
            why.file = gio_file;
        why.declared = aliases_covers(g_app_info_get_supported_types(app), type);
        why.terminal = terminal_of(app, g_app_info_get_commandline(app));
        why.hidden_copies = origin_hidden_copies(app);
    }
    Lookup lookup = lookup_read();
    std::vector<std::string> chain = aliases_ancestry(type);
    std::vector<LookupEntry> entries = lookup_entries(lookup, chain);
    LookupAnswer found = lookup_replay(&lookup, entries, chain.size());
    // GIO is the judge: a replay that ends elsewhere explains nothing.
    bool agrees = found.id.has_value() == (app != nullptr) &&
                  (!found.id || (gio_file ? found.file == gio_file : *found.id == *why.id));
    const LookupEntry *decider = agrees && found.entry >= 0 ? &entries[found.entry] : nullptr;
    // Shown: the lists of every type GIO tried, up to the one it answered for.
    size_t last = agrees && found.id ? found.level : 0;
    judge(entries, last, &lookup, decider, why.id.value_or(""));
    for (const LookupEntry &e : entries)
        if (!e.cache && e.level <= last)
            why.lists.push_back(e.shown);
    if (app == nullptr) {
        why.decision = "no application opens it";
        return why;
    }
    if (!agrees) {
        why.decision = "GIO answers " + *why.id + "; no list shown explains it";
        return why;
    }
    std::string by = "GIO's own choice: the first application that declares it";
    if (!decider->cache) {
        why.decided_file = decider->shown.file;
        why.decided_group = decider->shown.group;
        by = "decided by " + decider->shown.file + " [" + decider->shown.group + "]";
    }
    if (found.level == 0) {
        why.decision = by;
        return why;
    }
    why.inherited_from = chain[found.level];
    why.decision = "inherited from " + chain[found.level] + ", " +
                   (decider->cache ? "GIO's own choice for it" : by);
    return why;
}

std::optional<WhyType> why_target(const char *target, std::string *error) {
    g_autofree char *given_scheme = g_uri_parse_scheme(target);
    std::string uri = target;
    if (given_scheme == nullptr) {
        g_autoptr(GFile) file = g_file_new_for_commandline_arg(target);
        g_autofree char *u = g_file_get_uri(file);
        uri = u;
    }
    // As gio open: the link's scheme first (file: too), then the file it points to.
    g_autofree char *scheme = g_uri_parse_scheme(uri.c_str());
    g_autofree char *lower = g_ascii_strdown(scheme ? scheme : "", -1);
    std::string type = std::string("x-scheme-handler/") + lower;
    g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type.c_str(), FALSE);
    g_autoptr(GFile) file = g_file_new_for_uri(uri.c_str());
    g_autofree char *path = g_file_get_path(file);
    if (app == nullptr && path != nullptr) {
        // GIO's own reading of the file: a pipe, a device or a socket by what stat says, an
        // empty file as text, the rest by name and, where that is unsure, by content.
        g_autoptr(GError) failed = nullptr;
        g_autoptr(GFileInfo) info = g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                      G_FILE_QUERY_INFO_NONE, nullptr, &failed);
        if (info == nullptr) {
            *error = g_error_matches(failed, G_IO_ERROR, G_IO_ERROR_NOT_FOUND)
                         ? std::string("no such file: ") + target
                         : std::string(target) + ": " + failed->message;
            return std::nullopt;
        }
        const char *content = g_file_info_get_content_type(info);
        g_autofree char *mime = content ? g_content_type_get_mime_type(content) : nullptr;
        type = mime ? mime : content ? content : "application/octet-stream";
        app = g_app_info_get_default_for_type(type.c_str(), FALSE);
    }
    WhyType why = why_type(type.c_str());
    if (app != nullptr) {
        why.command = command_for(app, uri, &why.passed);
        why.terminal = terminal_of(app, why.command->c_str());
    }
    return why;
}

std::vector<std::string> why_text(const WhyType &why) {
    std::vector<std::string> lines;
    if (why.id)
        lines.push_back(why.type + ": " + *why.id + " (" + why.name.value_or("") + ")");
    else
        lines.push_back(why.type + ": no default");
    if (why.file)
        lines.push_back("  file: " + *why.file);
    for (const std::string &copy : why.hidden_copies)
        lines.push_back("  hides: " + copy + origin_after(copy.c_str()));
    lines.push_back("  " + why.decision);
    if (why.id)
        lines.push_back(std::string("  declared: ") + (why.declared ? "yes" : "no"));
    // The file first and the entry below it, so that a narrow screen loses neither.
    for (const WhyList &e : why.lists) {
        lines.push_back("  " + e.verdict + ": " + e.file + " [" + e.group + "]");
        lines.push_back("      " + e.value + (e.reason.empty() ? "" : " (" + e.reason + ")"));
    }
    const std::optional<WhyTerminal> &terminal = why.terminal;
    if (why.command) {
        // The whole line that runs: the terminal and its option before the application's own.
        std::string line = *why.command;
        if (terminal && terminal->program)
            line = shell_word(*terminal->program) +
                   (terminal->option ? " " + *terminal->option : "") + " " + line;
        lines.push_back("  command: " + line +
                        (terminal && !terminal->program ? " (in a terminal)" : "") +
                        (why.passed ? ""
                                    : " (the link is not passed: the application takes "
                                      "files only)"));
    }
    if (terminal && terminal->program)
        lines.push_back("  terminal: " + *terminal->program + " (" + terminal->rule + ")");
    else if (terminal)
        lines.push_back("  terminal: no terminal: GIO will refuse to start it (" + terminal->rule +
                        ": none of " + text_join(terminal->known) + ")");
    return lines;
}
