// Profiles on the command line: export the user's choices, apply a profile, check one.
#include <cstdio>
#include <glib.h>
#include <sys/stat.h>

#include "cli/command.h"
#include "cli/record.h"
#include "explain/check.h"
#include "settings/profile.h"
#include "util/files.h"
#include "util/text.h"

namespace {

// A profile that cannot be read is a wrong argument rather than a failed change.
int unreadable(const std::string &why) {
    cli_failure(why);
    return CLI_USAGE;
}

std::string counted(size_t n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Reads the profile at path into choices, saying what it ignores. The exit status when it
// cannot be read.
std::optional<int> read_profile(Cli *cli, const char *path, ProfileChoices *choices) {
    Profile profile;
    if (auto error = profile_read(path, &profile))
        return unreadable(*error);
    *choices = profile_choices(&profile, cli->catalog);
    for (const std::string &warning : profile.warnings)
        cli_warning(std::string(path) + ": " + warning);
    return std::nullopt;
}

// What a message and the journal call the profile at path: by its whole path, which an undo
// days later still tells apart.
std::string profile_name(const char *path) {
    g_autofree char *whole = g_canonicalize_filename(path, nullptr);
    return std::string("the profile ") + whole;
}

Record drift_record(const CheckDrift &d) {
    const WhyType &why = d.why;
    std::string decided = why.decided_file
                              ? *why.decided_file + " [" + why.decided_group.value_or("") + "]"
                              : why.decision;
    Field decided_by = cli_decided_by(why);
    return {{record_text("type", why.type), record_text("key", d.key, FIELD_IN_JSON),
             record_text("declared", d.declared),
             record_text_or_null("current", why.id ? why.id->c_str() : nullptr),
             record_text("decided", decided, FIELD_IN_TSV), std::move(decided_by),
             record_text("decision", why.decision, FIELD_IN_JSON)}};
}

std::vector<Record> texts(const std::vector<std::string> &list) {
    std::vector<Record> out;
    for (const std::string &text : list)
        out.push_back({{record_text(nullptr, text)}});
    return out;
}

} // namespace

int cmd_export(Cli *cli, const CliArgs &args) {
    if (args.size() > 1)
        return cli_usage_error("export: too many arguments");
    std::optional<std::string> format = cli_value(cli, "--format");
    bool nix = format == "home-manager";
    if (format && !nix && *format != "profile")
        return cli_usage_error("export: unknown format " + *format + " (profile or home-manager)");
    std::vector<std::pair<std::string, std::string>> types;
    Profile profile = profile_export(cli->catalog, &types);
    std::string text = nix ? profile_home_manager(types) : profile_text(profile);
    // Said after what they qualify, as every warning is.
    auto warn = [&] {
        if (!nix)
            for (const std::string &warning : profile.warnings)
                cli_warning(warning);
    };
    if (args.empty()) {
        fwrite(text.data(), 1, text.size(), stdout);
        warn();
        return CLI_OK;
    }
    const std::string failed = std::string("Failed to export to ") + args[0] + ": ";
    if (auto refusal = files_refusal(args[0]))
        return cli_failure(failed + *refusal);
    // A fifo or a device given by mistake would be replaced by a regular file.
    struct stat st {};
    if (stat(args[0], &st) == 0 && !S_ISREG(st.st_mode))
        return cli_failure(
            failed + args[0] +
            " is not a regular file; without FILE, export writes to standard output");
    g_autoptr(GError) error = nullptr;
    if (!files_replace(args[0], text.data(), text.size(), &error))
        return cli_failure(failed + error->message);
    std::string what = nix ? counted(types.size(), "type", "types")
                           : counted(profile.lines.size(), "line", "lines");
    printf("Exported %s to %s\n", what.c_str(), record_plain(args[0]).c_str());
    warn();
    return CLI_OK;
}

int cmd_apply(Cli *cli, const CliArgs &args) {
    ProfileChoices choices;
    if (auto status = read_profile(cli, args[0], &choices))
        return *status;
    bool dry_run = cli_option(cli, "--dry-run");
    std::vector<ProfileChange> changes;
    Outcome done = profile_apply(choices, profile_name(args[0]), cli->catalog,
                                 cli_option(cli, "--pin"), dry_run, &changes);
    if (!dry_run || !done.ok)
        return cli_report(done);
    std::vector<Record> out;
    for (const ProfileChange &c : changes)
        out.push_back(
            {{record_text("type", c.type), record_text("from", c.from), record_text("to", c.to)}});
    record_print(out, false);
    if (!done.message.empty())
        printf("%s\n", record_plain(done.message.c_str()).c_str());
    return CLI_OK;
}

int cmd_check(Cli *cli, const CliArgs &args) {
    ProfileChoices choices;
    if (auto status = read_profile(cli, args[0], &choices))
        return *status;
    CheckResult result = check_profile(choices);
    bool in_effect = result.drift.empty() && result.missing.empty() && choices.unknown.empty();
    std::vector<Record> drift;
    for (const CheckDrift &d : result.drift)
        drift.push_back(drift_record(d));
    if (cli_option(cli, "--json"))
        record_print_one({{record_flag("in_effect", in_effect), record_array("drift", drift),
                           record_array("not_installed", texts(result.missing)),
                           record_array("unknown", texts(choices.unknown))}},
                         true);
    else
        record_print(drift, false);
    std::string name = profile_name(args[0]);
    if (in_effect) {
        if (!cli_option(cli, "--json"))
            printf("In effect: %s (%s)\n", record_plain(name.c_str()).c_str(),
                   counted(result.checked, "type", "types").c_str());
        return CLI_OK;
    }
    std::string why = "Drift from " + name + ": " + std::to_string(result.drift.size()) + " of " +
                      counted(result.checked, "type", "types") + " open elsewhere";
    if (!result.missing.empty())
        why += "; not installed: " + text_join(result.missing);
    for (const std::string &unknown : choices.unknown)
        why += "; " + unknown;
    return cli_failure(why);
}
