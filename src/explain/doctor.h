// The doctor: every way a default silently fails on this system, found and explained, each
// finding measured against what GIO does; and what is safe to mend in the user's own files,
// mended in one change that one undo takes back.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct Catalog;
struct Item;

enum class DoctorSeverity { note, warning, error };

struct DoctorFinding {
    std::string check; // the check's name ("missing-application")
    DoctorSeverity severity = DoctorSeverity::note;
    std::vector<std::string> types;
    std::string file;    // the list or desktop file it is about, "" for none
    std::string app;     // the desktop ID it is about, "" for none
    std::string message; // what is wrong, in one sentence
    // GIO's answer where it differs from what the lists say ("" for none), and xdg-mime's where
    // that differs from GIO's; nullopt where there is nothing to say.
    std::optional<std::string> gio_answer;
    std::optional<std::string> xdg_mime_answer;
    std::string fix;    // a quarve command where there is one, else the command to run
    std::string status; // what an assignment to app says after its success text, or ""
};

// What the doctor finds for every MIME type of the catalogue and every type a list GIO reads
// names, or with item only for the item's types; the errors first, then the warnings and the
// notes. With xdg_mime, xdg-mime is asked too where GIO's answer is given (a process a type).
std::vector<DoctorFinding> doctor_check(const Catalog *catalog, const Item *item, bool xdg_mime);
// "error", "warning" or "note".
const char *doctor_severity_name(DoctorSeverity severity);
// A finding as lines of text, for the command line and the screen.
std::vector<std::string> doctor_text(const DoctorFinding &finding);
// What an assignment of app_id to item leaves for its status line: "; it will not start: …" for
// each error finding on the item's types that names the application, or "".
std::string doctor_status(const Item &item, const char *app_id);

// What --fix did: each repair a line, every type whose GIO answer changed ("TYPE: FROM -> TO"),
// and what it could not mend.
struct DoctorRepairs {
    bool ok = true;
    std::string error; // why nothing was written, when not ok
    std::vector<std::string> done;
    std::vector<std::string> changed;
    std::vector<std::string> left;
    std::string warning; // what the change leaves the user to know ("it cannot be undone: …")
};

// Mends, in the user's own files only, what is safe (within item's types when given): removes
// the entries of the user's lists that name applications no data folder holds and their
// wildcard keys, and rebuilds the cache of the user's own application folder; all in one
// change with one journal entry that keeps every file's earlier bytes. Writes nothing when
// there is nothing to mend.
DoctorRepairs doctor_fix(const Catalog *catalog, const Item *item);
