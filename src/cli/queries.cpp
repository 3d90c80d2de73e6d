// The commands that only ask: list, show, get and why.
#include <optional>

#include "catalog/catalog.h"
#include "catalog/ext_index.h"
#include "catalog/item.h"
#include "cli/command.h"
#include "cli/record.h"
#include "explain/why.h"
#include "registry/apps.h"
#include "util/text.h"

namespace {

const char *or_null(const std::optional<std::string> &text) {
    return text ? text->c_str() : nullptr;
}

// Why's JSON holds the whole explanation; its text is the lines why_text makes of it.
Record why_record(const WhyType &why) {
    std::vector<Record> lists, text;
    for (const WhyList &e : why.lists)
        lists.push_back({{record_text("file", e.file), record_text("group", e.group),
                          record_text("value", e.value), record_text("verdict", e.verdict),
                          record_text("reason", e.reason)}});
    for (const std::string &line : why_text(why))
        text.push_back({{record_text(nullptr, line)}});
    Field by_default = record_null("default", FIELD_IN_JSON);
    if (why.id) {
        Record d{{record_text("id", *why.id), record_text("name", why.name.value_or("")),
                  record_text_or_null("file", or_null(why.file))}};
        g_autoptr(GAppInfo) app = apps_default_for_type(why.type.c_str());
        if (app != nullptr && *why.id == apps_desktop_id(app))
            for (Field &f : cli_app_json(app))
                d.fields.push_back(std::move(f));
        by_default = record_object("default", std::move(d), FIELD_IN_JSON);
    }
    Field decided_by = cli_decided_by(why);
    // false for an application that does not run in a terminal, as before there was more to say.
    Field terminal = record_flag("terminal", false, FIELD_IN_JSON);
    if (why.terminal) {
        std::vector<Record> argv;
        for (const std::string &word : why.terminal->argv)
            argv.push_back({{record_text(nullptr, word)}});
        terminal = record_object(
            "terminal",
            {{record_text_or_null("program", or_null(why.terminal->program)),
              record_array("argv", std::move(argv)), record_text("rule", why.terminal->rule)}},
            FIELD_IN_JSON);
    }
    return {{record_text("type", why.type, FIELD_IN_JSON), std::move(by_default),
             std::move(decided_by),
             record_text_or_null("inherited_from", or_null(why.inherited_from), FIELD_IN_JSON),
             record_flag("declared", why.declared, FIELD_IN_JSON),
             record_text("decision", why.decision, FIELD_IN_JSON),
             record_array("lists", std::move(lists), FIELD_IN_JSON),
             record_text_or_null("command", or_null(why.command), FIELD_IN_JSON),
             std::move(terminal), record_flag("passed", why.passed, FIELD_IN_JSON),
             record_array("text", std::move(text), FIELD_IN_TSV)}};
}

} // namespace

Field cli_decided_by(const WhyType &why) {
    if (!why.decided_file)
        return record_null("decided_by", FIELD_IN_JSON);
    return record_object("decided_by",
                         {{record_text("file", *why.decided_file),
                           record_text("group", why.decided_group.value_or(""))}},
                         FIELD_IN_JSON);
}

int cmd_list(Cli *cli, const CliArgs &) {
    Catalog *c = cli->catalog;
    std::vector<Record> out;
    if (cli_option(cli, "--apps")) {
        g_autolist(GAppInfo) apps = apps_listed();
        for (GList *l = apps; l != nullptr; l = l->next) {
            auto app = G_APP_INFO(l->data);
            Record row{{record_text("id", apps_desktop_id(app)),
                        record_text("name", apps_display_name(app)),
                        record_text_or_null("file", apps_desktop_file(app), FIELD_IN_JSON)}};
            for (Field &f : cli_app_json(app))
                row.fields.push_back(std::move(f));
            out.push_back(std::move(row));
        }
    } else if (!cli_option(cli, "--types")) {
        for (guint i = 0; i < c->categories->len; i++)
            out.push_back({{record_text(
                nullptr, static_cast<Category *>(g_ptr_array_index(c->categories, i))->name)}});
    } else {
        for (guint i = 0; i < c->mime_types->len; i++) {
            auto type = static_cast<const char *>(g_ptr_array_index(c->mime_types, i));
            out.push_back(
                {{record_text("type", type), record_text("label", ext_index_label(c, type))}});
        }
    }
    record_print(out, cli_option(cli, "--json"));
    return CLI_OK;
}

int cmd_show(Cli *cli, const CliArgs &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return cli_unknown_item(args[0]);
    g_autolist(GAppInfo) apps = apps_candidates(*item);
    g_autolist(GAppInfo) defaults = apps_defaults(*item);
    std::vector<Record> out;
    for (GList *l = apps; l != nullptr; l = l->next) {
        auto app = G_APP_INFO(l->data);
        Record row{{record_text("id", apps_desktop_id(app)),
                    record_text("name", apps_display_name(app)),
                    record_text_or_null("file", apps_desktop_file(app))}};
        for (Field &f : cli_app_json(app))
            row.fields.push_back(std::move(f));
        row.fields.push_back(record_flag("default", apps_list_has(defaults, app)));
        out.push_back(std::move(row));
    }
    record_print(out, cli_option(cli, "--json"));
    // An empty answer is no answer a script can tell from a failure to ask.
    if (apps == nullptr)
        return cli_failure(std::string("no application opens ") + item->name);
    return CLI_OK;
}

int cmd_get(Cli *cli, const CliArgs &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return cli_unknown_item(args[0]);
    bool json = cli_option(cli, "--json");
    std::vector<Record> out;
    std::vector<std::string> none;
    for (const char *type : item->types) {
        g_autoptr(GAppInfo) app = apps_default_for_type(type);
        if (app == nullptr)
            none.emplace_back(type);
        // JSON keeps every type, with null for none; a line says only what there is.
        if (app != nullptr || json)
            out.push_back({{record_text("type", type),
                            record_text_or_null("default", app ? apps_desktop_id(app) : nullptr)}});
    }
    record_print(out, json);
    if (none.empty())
        return CLI_OK;
    int status = cli_failure("no default for " + text_join(none));
    return none.size() == item->types.size() ? status : CLI_OK;
}

int cmd_why(Cli *cli, const CliArgs &args) {
    const char *text = args[0];
    std::vector<WhyType> whys;
    std::optional<Item> item = item_lookup(cli->catalog, text);
    g_autofree char *scheme = g_uri_parse_scheme(text);
    bool file = g_file_test(text, G_FILE_TEST_EXISTS) || g_file_test(text, G_FILE_TEST_IS_SYMLINK);
    // A category by its name; then a link or a file that is there, as gio open takes them; then
    // a type or an extension. What only looks like a path is a file that is not there.
    if (item && (item->category || (scheme == nullptr && !file))) {
        for (const char *type : item->types)
            whys.push_back(why_type(type));
    } else if (scheme != nullptr || file || item_looks_like_path(text)) {
        std::string error;
        std::optional<WhyType> target = why_target(text, &error);
        if (!target)
            return cli_failure(error);
        whys.push_back(*target);
    } else {
        return cli_failure(
            std::string("unknown item ") + text +
            ": not a category, a MIME type, a known file extension, a file or a URL");
    }
    std::vector<Record> out;
    for (const WhyType &w : whys)
        out.push_back(why_record(w));
    record_print(out, cli_option(cli, "--json"));
    return CLI_OK;
}
