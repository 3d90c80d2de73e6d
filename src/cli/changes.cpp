// The commands that change the user's defaults: set, reset and undo.
#include <optional>

#include "catalog/item.h"
#include "cli/command.h"
#include "cli/record.h"
#include "registry/apps.h"
#include "settings/assign.h"
#include "util/text.h"

int cmd_set(Cli *cli, const CliArgs &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return cli_unknown_item(args[0]);
    int failed = CLI_FAILED;
    g_autoptr(GAppInfo) app = cli_candidate(*item, args, &failed);
    if (app == nullptr)
        return failed;
    Outcome done = assign_app(*item, app, cli->catalog);
    int status = cli_report(done);
    std::vector<std::string> also;
    for (const OutcomeType &t : done.types)
        if (t.detail == "subtype" || t.detail == "alias")
            also.push_back(t.type);
    if (done.ok && !also.empty())
        printf("Also set for: %s\n", record_plain(text_join(also).c_str()).c_str());
    return status;
}

int cmd_reset(Cli *cli, const CliArgs &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return cli_unknown_item(args[0]);
    int status = cli_report(assign_reset(*item));
    // The types the system has no default for are named, but the reset itself went through.
    if (status == CLI_OK)
        cmd_get(cli, args);
    return status;
}

int cmd_undo(Cli *, const CliArgs &) {
    return cli_report(assign_undo());
}
