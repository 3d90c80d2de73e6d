// The terminal on the command line: the terminal emulators, the ones the user prefers and the
// one GIO uses, or putting one first among those the user prefers.
#include <algorithm>

#include "cli/command.h"
#include "cli/record.h"
#include "registry/apps.h"
#include "registry/terminal.h"
#include "settings/terminals.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

const char *or_null(const std::optional<std::string> &text) {
    return text ? text->c_str() : nullptr;
}

bool has_id(GList *apps, const std::string &id) {
    for (GList *l = apps; l != nullptr; l = l->next)
        if (id == apps_desktop_id(G_APP_INFO(l->data)))
            return true;
    return false;
}

// The outcome of putting a terminal first; as JSON, the outcome and each list it looked at.
int report_preferred(GAppInfo *app, const Outcome &done, bool json) {
    if (!json || !done.ok)
        return cli_report(done);
    std::vector<Record> lists;
    for (const OutcomeType &t : done.types)
        lists.push_back(
            {{record_text("file", t.type), record_flag("written", t.detail == "written")}});
    TerminalFound gio = terminal_gio();
    record_print_one(
        {{record_text("id", apps_desktop_id(app)), record_text("name", apps_display_name(app)),
          record_array("lists", std::move(lists)),
          record_flag("gio_follows", terminal_follows_list(gio)),
          record_text("message", done.message), record_text("warning", done.warning)}},
        true);
    return CLI_OK;
}

} // namespace

int cmd_terminal(Cli *cli, const CliArgs &args) {
    if (args.size() > 1)
        return cli_usage_error("terminal: too many arguments");
    bool json = cli_option(cli, "--json");
    g_autolist(GAppInfo) emulators = terminal_emulators();
    if (!args.empty()) {
        std::string why;
        GAppInfo *app =
            cli_find_app(emulators, args[0],
                         "no terminal emulator of that ID or name (see quarve terminal)", &why);
        if (app == nullptr)
            return cli_failure(std::string(args[0]) + ": " + why);
        return report_preferred(app, terminals_prefer(app), json);
    }
    // The text is lines for the user; the JSON the same, field by field.
    std::vector<Record> text, installed, preferred;
    auto line = [&](const std::string &words) { text.push_back({{record_text(nullptr, words)}}); };
    std::vector<TerminalPreferred> wanted = terminal_preferred();
    // The one xdg-terminal-exec takes: the first preferred that is installed.
    auto chosen = std::find_if(wanted.begin(), wanted.end(),
                               [&](const TerminalPreferred &p) { return has_id(emulators, p.id); });
    line(emulators != nullptr ? "Terminal emulators installed:"
                              : "Terminal emulators installed: none");
    for (GList *l = emulators; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        Record row{
            {record_flag("preferred", chosen != wanted.end() && chosen->id == apps_desktop_id(app)),
             record_text("id", apps_desktop_id(app)), record_text("name", apps_display_name(app)),
             record_text_or_null("file", apps_desktop_file(app))}};
        text.push_back(row);
        installed.push_back(std::move(row));
    }
    line(wanted.empty() ? "Preferred in xdg-terminals.list: none (" + paths_terminal_list() + ")"
                        : "Preferred in xdg-terminals.list:");
    for (const TerminalPreferred &p : wanted) {
        bool there = has_id(emulators, p.id);
        Record row{{record_flag("chosen", chosen != wanted.end() && &p == &*chosen),
                    record_text("entry", p.entry), record_text("file", p.file)}};
        if (!there)
            row.fields.push_back(record_text("note", "not an installed terminal emulator"));
        text.push_back(std::move(row));
        preferred.push_back({{record_text("entry", p.entry), record_text("id", p.id),
                              record_text("file", p.file), record_flag("installed", there)}});
    }
    TerminalFound gio = terminal_gio();
    if (gio.program)
        line("GIO uses: " + *gio.program + (gio.option ? " " + *gio.option : "") + " (" + gio.rule +
             ")");
    else
        line("GIO uses: no terminal: it refuses to start programs that run in a terminal (" +
             gio.rule + ": none of " + text_join(gio.known) + ")");
    line(terminal_list_heeded(gio));
    record_print_one({{record_array("installed", std::move(installed), FIELD_IN_JSON),
                       record_array("preferred", std::move(preferred), FIELD_IN_JSON),
                       record_object("gio",
                                     {{record_text_or_null("program", or_null(gio.program)),
                                       record_text_or_null("option", or_null(gio.option)),
                                       record_text("rule", gio.rule),
                                       record_flag("follows_list", terminal_follows_list(gio))}},
                                     FIELD_IN_JSON),
                       record_array("text", std::move(text), FIELD_IN_TSV)}},
                     json);
    return CLI_OK;
}
