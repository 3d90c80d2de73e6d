// The doctor's command: every finding, as text or JSON, and with --fix the repairs first.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "catalog/item.h"
#include "cli/command.h"
#include "cli/record.h"
#include "explain/doctor.h"

namespace {

Field text_or_null(const char *name, const std::string &text) {
    return text.empty() ? record_null(name, FIELD_IN_JSON) : record_text(name, text, FIELD_IN_JSON);
}

Field answer(const char *name, const std::optional<std::string> &said) {
    return said ? record_text(name, *said, FIELD_IN_JSON) : record_null(name, FIELD_IN_JSON);
}

// A finding: in JSON its fixed keys, as text the lines doctor_text makes of it.
Record finding_record(const DoctorFinding &f) {
    std::vector<Record> types, text;
    for (const std::string &t : f.types)
        types.push_back({{record_text(nullptr, t)}});
    for (const std::string &line : doctor_text(f))
        text.push_back({{record_text(nullptr, line)}});
    return {{record_text("check", f.check, FIELD_IN_JSON),
             record_text("severity", doctor_severity_name(f.severity), FIELD_IN_JSON),
             record_array("types", std::move(types), FIELD_IN_JSON), text_or_null("file", f.file),
             text_or_null("app", f.app), record_text("message", f.message, FIELD_IN_JSON),
             answer("gio_answer", f.gio_answer), answer("xdg_mime_answer", f.xdg_mime_answer),
             text_or_null("fix", f.fix), record_array("text", std::move(text), FIELD_IN_TSV)}};
}

// "2 errors, 1 warning": how many findings of each severity, or that there are none.
std::string summary(const std::vector<DoctorFinding> &found) {
    size_t counts[3] = {0, 0, 0};
    for (const DoctorFinding &f : found)
        counts[static_cast<int>(f.severity)]++;
    std::string out;
    for (int s = 2; s >= 0; s--) {
        if (counts[s] == 0)
            continue;
        std::string name = doctor_severity_name(static_cast<DoctorSeverity>(s));
        out += (out.empty() ? "" : ", ") + std::to_string(counts[s]) + " " + name +
               (counts[s] == 1 ? "" : "s");
    }
    return out.empty() ? "Nothing found" : out;
}

// The repairs' report, a line each, on standard output (standard error under --json, whose
// standard output is the findings' document alone).
void print_repairs(const DoctorRepairs &r, bool json) {
    FILE *to = json ? stderr : stdout;
    for (const std::string &line : r.done)
        fprintf(to, "%s\n", record_plain(line.c_str()).c_str());
    for (const std::string &line : r.changed)
        fprintf(to, "GIO's answer changed: %s\n", record_plain(line.c_str()).c_str());
    for (const std::string &line : r.left)
        fprintf(to, "Left alone: %s\n", record_plain(line.c_str()).c_str());
    if (r.done.empty())
        fprintf(to, "Nothing to mend\n");
    else
        fprintf(to, "Mended in one change (%zu %s); quarve undo takes it back\n", r.done.size(),
                r.done.size() == 1 ? "repair" : "repairs");
    if (!r.warning.empty())
        cli_warning(r.warning);
    if (!json)
        fputs("\n", stdout);
}

} // namespace

int cmd_doctor(Cli *cli, const CliArgs &args) {
    if (args.size() > 1)
        return cli_usage_error("doctor: too many arguments");
    std::optional<Item> item;
    if (!args.empty()) {
        item = item_lookup(cli->catalog, args[0]);
        if (!item)
            return cli_unknown_item(args[0]);
    }
    const Item *only = item ? &*item : nullptr;
    bool json = cli_option(cli, "--json");
    if (cli_option(cli, "--fix")) {
        DoctorRepairs repairs = doctor_fix(cli->catalog, only);
        if (!repairs.ok)
            return cli_failure("Failed to mend: " + repairs.error);
        print_repairs(repairs, json);
    }
    std::vector<DoctorFinding> found = doctor_check(cli->catalog, only, true);
    std::vector<Record> out;
    for (const DoctorFinding &f : found) {
        out.push_back(finding_record(f));
        if (!json)
            out.push_back({{record_text(nullptr, "")}}); // a blank line after each
    }
    if (!json)
        out.push_back({{record_text(nullptr, summary(found))}});
    record_print(out, json);
    bool serious = std::any_of(found.begin(), found.end(), [](const DoctorFinding &f) {
        return f.severity != DoctorSeverity::note;
    });
    return serious ? CLI_FAILED : CLI_OK;
}
