// The applications on the command line: app, and finding the application a command names.
#include "catalog/ext_index.h"
#include "cli/command.h"
#include "cli/record.h"
#include "registry/apps.h"
#include "settings/assign.h"
#include "util/text.h"

namespace {} // namespace

GAppInfo *cli_find_app(GList *apps, const char *wanted, const char *none, std::string *why) {
    std::string id = wanted;
    if (!g_str_has_suffix(wanted, ".desktop"))
        id += ".desktop";
    for (GList *l = apps; l != nullptr; l = l->next)
        if (id == apps_desktop_id(G_APP_INFO(l->data)))
            return G_APP_INFO(l->data);
    std::string name = text_casefold(wanted);
    std::vector<std::string> matches;
    GAppInfo *found = nullptr;
    for (GList *l = apps; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        if (text_casefold(apps_display_name(app)) == name) {
            found = app;
            matches.push_back(apps_desktop_id(app));
        }
    }
    if (matches.size() == 1)
        return found;
    *why =
        matches.empty() ? none : "more than one application has that name: " + text_join(matches);
    return nullptr;
}

int cmd_app(Cli *cli, const CliArgs &args) {
    g_autolist(GAppInfo) apps = apps_listed();
    std::string why;
    GAppInfo *app = cli_find_app(
        apps, args[0], "no application that declares MIME types (see quarve list --apps)", &why);
    if (app == nullptr)
        return cli_failure(std::string(args[0]) + ": " + why);
    if (cli_option(cli, "--set-all"))
        return cli_report(assign_declared(app));
    g_auto(GStrv) types = apps_declared_types(app);
    std::vector<Record> declared;
    for (char **t = types; *t != nullptr; t++)
        declared.push_back(
            {{record_text("type", *t), record_text("label", ext_index_label(cli->catalog, *t)),
              record_flag("default", apps_is_default_for(app, *t))}});
    // The text is the types alone, a line each; the JSON is one object for the application.
    record_print_one({{record_text("id", apps_desktop_id(app), FIELD_IN_JSON),
                       record_text("name", apps_display_name(app), FIELD_IN_JSON),
                       record_text_or_null("file", apps_desktop_file(app), FIELD_IN_JSON),
                       record_array("types", std::move(declared))}},
                     cli_option(cli, "--json"));
    return CLI_OK;
}
