// The applications on the command line: app, and finding the application a command names.
#include <cstring>

#include "catalog/ext_index.h"
#include "cli/command.h"
#include "cli/record.h"
#include "registry/apps.h"
#include "registry/origin.h"
#include "settings/assign.h"
#include "util/text.h"

namespace {

// True when app is called name (case-folded): by a name of its own (as shown, untranslated, its
// desktop ID without ".desktop") in the first round, by its GenericName or a keyword in the
// second.
bool called(GAppInfo *app, const std::string &name, bool second) {
    size_t names = 0;
    std::vector<std::string> known = apps_known_as(app, &names);
    if (!second) {
        std::string id = apps_desktop_id(app);
        if (g_str_has_suffix(id.c_str(), ".desktop"))
            known.insert(known.begin() + static_cast<long>(names++),
                         id.substr(0, id.size() - strlen(".desktop")));
    }
    for (size_t i = second ? names : 0; i < (second ? known.size() : names); i++)
        if (text_casefold(known[i].c_str()) == name)
            return true;
    return false;
}

} // namespace

GAppInfo *cli_find_app(GList *apps, const char *wanted, const char *none, std::string *why) {
    std::string id = wanted;
    if (!g_str_has_suffix(wanted, ".desktop"))
        id += ".desktop";
    for (GList *l = apps; l != nullptr; l = l->next)
        if (id == apps_desktop_id(G_APP_INFO(l->data)))
            return G_APP_INFO(l->data);
    std::string name = text_casefold(wanted);
    // A name before a generic name or a keyword: "mail" may be a program's name and another
    // one's keyword.
    for (bool second : {false, true}) {
        std::vector<std::string> matches;
        GAppInfo *found = nullptr;
        for (GList *l = apps; l != nullptr; l = l->next) {
            auto app = G_APP_INFO(l->data);
            if (called(app, name, second)) {
                found = app;
                matches.push_back(apps_desktop_id(app));
            }
        }
        if (matches.size() == 1)
            return found;
        if (!matches.empty()) {
            *why = "more than one application has that name: " + text_join(matches);
            return nullptr;
        }
    }
    *why = none;
    return nullptr;
}

GAppInfo *cli_candidate(const Item &item, const CliArgs &args, int *status) {
    g_autolist(GAppInfo) apps = apps_candidates(item);
    std::string why;
    GAppInfo *app =
        cli_find_app(apps, args[1], "not one of its applications (see quarve show)", &why);
    if (app == nullptr) {
        *status = cli_failure(std::string(args[1]) + " for " + args[0] + ": " + why);
        return nullptr;
    }
    return G_APP_INFO(g_object_ref(app));
}

std::vector<Field> cli_app_json(GAppInfo *app) {
    constexpr const char *MENUS[] = {"shown", "hidden", "deleted"};
    std::vector<Field> fields{
        record_text("name_untranslated", apps_untranslated_name(app), FIELD_IN_JSON),
        record_text("origin", origin_word(origin_of_app(app).kind), FIELD_IN_JSON),
        record_text("menus", MENUS[apps_shown(app)], FIELD_IN_JSON)};
    std::vector<Record> copies;
    for (const std::string &file : origin_hidden_copies(app))
        copies.push_back({{record_text("file", file),
                           record_text("origin", origin_word(origin_of_file(file.c_str()).kind))}});
    if (!copies.empty())
        fields.push_back(record_array("hidden_copies", std::move(copies), FIELD_IN_JSON));
    return fields;
}

int cmd_app(Cli *cli, const CliArgs &args) {
    g_autolist(GAppInfo) apps = apps_known();
    std::string why;
    GAppInfo *app = cli_find_app(
        apps, args[0], "no application that declares MIME types (see quarve list --apps)", &why);
    if (app == nullptr)
        return cli_failure(std::string(args[0]) + ": " + why);
    if (cli_option(cli, "--set-all"))
        return cli_report(assign_declared(app));
    g_auto(GStrv) types = apps_listed_types(app);
    std::vector<Record> declared;
    for (char **t = types; *t != nullptr; t++)
        declared.push_back(
            {{record_text("type", *t), record_text("label", ext_index_label(cli->catalog, *t)),
              record_flag("default", apps_is_default_for(app, *t))}});
    // The text is the types alone, a line each; the JSON is one object for the application.
    Record out{{record_text("id", apps_desktop_id(app), FIELD_IN_JSON),
                record_text("name", apps_display_name(app), FIELD_IN_JSON),
                record_text_or_null("file", apps_desktop_file(app), FIELD_IN_JSON)}};
    for (Field &f : cli_app_json(app))
        out.fields.push_back(std::move(f));
    out.fields.push_back(record_array("types", std::move(declared)));
    record_print_one(out, cli_option(cli, "--json"));
    return CLI_OK;
}
