// The undo journal: what each assignment changed in the user's settings, so that it can be
// taken back, also in a later run. Kept under the user's state folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/mimeapps.h"
#include "util/paths.h"

constexpr size_t JOURNAL_MAX_ENTRIES = 100;

// One MIME type of an assignment in one list: its settings before, and what quarve left there.
struct JournalType {
    std::string type;
    MimeappsEntry before;
    MimeappsEntry after;
    std::string file; // the list, when it is not the user's mimeapps.list (a desktop list)
};

// One file a change wrote, whole: an undo that finds it as the change left it puts back its
// bytes exactly, comments, order and line ends included.
struct JournalFile {
    std::string path;
    std::optional<std::string> before; // nullopt: there was none
    std::string after_sum;             // the checksum of what the change left there
};

// One assignment: the application (ID and name), the item as the status line named it, and
// every type it changed, aliases' canonical types included; the files it wrote.
struct JournalEntry {
    std::string app_id;
    std::string app_name;
    std::string item;
    std::vector<JournalType> types;
    std::vector<JournalFile> files;
    std::string token; // names the entry alone, so that a change found half done adds it once
    // types and files as the journal keeps them, packed, from journal_load_packed until
    // journal_unpack: a change that only adds or takes off an entry need not unpack the others.
    std::string packed;
    // What an undo calls a change of other files than the lists ("kitty as the terminal"); ""
    // for an assignment or a reset, named by its application and item.
    std::string what;
};

// True when the entry names no type and no file (a hand-edited journal): there is nothing to
// take back.
bool journal_entry_empty(const JournalEntry &entry);
// Fills the types and files of an entry read packed; false when they are damaged.
bool journal_unpack(JournalEntry *entry);

// A new token for an entry.
std::string journal_token();
// One entry as the journal writes it, and back; false when text holds no entry.
std::string journal_entry_text(const JournalEntry &entry);
bool journal_entry_parse(const std::string &text, JournalEntry *entry);

// The checksum journal entries keep of a file's bytes.
std::string journal_sum(const std::optional<std::string> &bytes);

// True when the journal can be written; otherwise false with the reason.
bool journal_writable(std::string *why);
// Every entry, oldest first. A journal that cannot be read is moved aside (".bad") and counts
// as empty: it never stops an assignment.
std::vector<JournalEntry> journal_load();
// The same with each entry's types and files left packed (journal_unpack).
std::vector<JournalEntry> journal_load_packed();
// Writes entries (the newest JOURNAL_MAX_ENTRIES of them) in one step. False with error.
bool journal_save(const std::vector<JournalEntry> &entries, std::string *error);
// The journal's bytes for entries (the newest JOURNAL_MAX_ENTRIES of them), as journal_save
// writes them: for a change that writes the journal with the settings, in one transaction.
std::string journal_text(const std::vector<JournalEntry> &entries);
// The entries of a journal's bytes, oldest first; false when they do not parse.
bool journal_parse(const std::string &bytes, std::vector<JournalEntry> *entries);
