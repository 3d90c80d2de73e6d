// The pins on the command line: pin, unpin, and pins to list them or put them back.
#include <optional>

#include "catalog/item.h"
#include "cli/command.h"
#include "cli/record.h"
#include "registry/apps.h"
#include "settings/assign.h"
#include "settings/pins.h"

// pin ITEM [APP]: APP is set first, as set sets it; without it the item's defaults stay.
int cmd_pin(Cli *cli, const CliArgs &args) {
    if (args.empty() || args.size() > 2)
        return cli_usage_error(args.empty() ? "pin: missing argument" : "pin: too many arguments");
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return cli_unknown_item(args[0]);
    if (args.size() == 1)
        return cli_report(pins_pin(*item));
    int failed = CLI_FAILED;
    g_autoptr(GAppInfo) app = cli_candidate(*item, args, &failed);
    if (app == nullptr)
        return failed;
    // The default and its pins in one step: a pin that cannot be written changes nothing.
    int status = cli_report(assign_app(*item, app, cli->catalog, true));
    if (status == CLI_OK)
        printf("Pinned %s to %s\n", record_plain(item->name).c_str(),
               record_plain(apps_display_name(app)).c_str());
    return status;
}

int cmd_unpin(Cli *cli, const CliArgs &args) {
    std::optional<Item> item = item_lookup(cli->catalog, args[0]);
    if (!item)
        return cli_unknown_item(args[0]);
    return cli_report(pins_unpin(*item));
}

// Exit status 1 when a pin has been changed, so that a status bar or a script can ask.
int cmd_pins(Cli *cli, const CliArgs &) {
    bool restore = cli_option(cli, "--restore");
    if (!restore && cli_option(cli, "--quiet"))
        return cli_usage_error("pins: --quiet goes with --restore");
    if (restore) {
        Outcome done = pins_restore();
        if (done.ok && cli_option(cli, "--quiet"))
            done.message.clear();
        if (!done.ok || !done.message.empty())
            return cli_report(done);
        if (!done.warning.empty())
            cli_warning(done.warning);
        return CLI_OK;
    }
    std::vector<PinState> pins;
    if (auto error = pins_status(&pins))
        return cli_failure(*error);
    std::vector<Record> out;
    bool held = true;
    for (const PinState &pin : pins) {
        held = held && pin.held;
        out.push_back({{record_text("type", pin.type), record_text("item", pin.item, FIELD_IN_JSON),
                        record_text("pinned", pin.app_id),
                        record_text_or_null(
                            "current", pin.current_id.empty() ? nullptr : pin.current_id.c_str()),
                        record_text("state", pin.held ? "held" : "changed")}});
    }
    record_print(out, cli_option(cli, "--json"));
    return held ? CLI_OK : CLI_FAILED;
}
