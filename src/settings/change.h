// Every change of the user's files that belong together (the default-application lists, the
// undo journal, the pins) as one transaction: durable in all of them or in none, whatever moment
// the process dies at. A record of the change, every file's bytes before and after, is written
// and synced first; then the files, each in one step and only while it still holds what was
// read; last the record goes. The next quarve to take the writers' lock finishes a change it
// finds recorded (when its lists already hold their new bytes) or takes it back.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/journal.h"
#include "settings/turn.h"
#include "util/outcome.h"

// One file of a change.
struct ChangeFile {
    std::string path;                  // as the user names it; a link is written through
    std::optional<std::string> before; // what it held when read; nullopt: nothing
    std::optional<std::string> after;  // what the change leaves there; nullopt: nothing
    // A settings list. The lists are written first, and GIO is asked about them before the
    // rest; a change found half done is finished when every list holds its new bytes.
    bool list = false;
    bool written = false;
};

// What a change does to the undo journal, written last: the journal is rewritten whole, so the
// record keeps the step, not its bytes, and a change found half done takes it once.
struct ChangeJournal {
    std::optional<JournalEntry> add; // an entry for the change (its token set)
    // An undo: the newest entry goes, when it is still the one with drop_token and the journal
    // still holds drop_count entries (entries that name no type not counted at its end).
    bool drop = false;
    std::string drop_token;
    size_t drop_count = 0;
    std::string error; // why the journal could not be written, once the rest was
};

struct Change {
    std::string what; // as messages name the change: "Beta for Web Browser"
    std::vector<ChangeFile> files;
    ChangeJournal journal;
    std::string recovered; // what taking the turn mended first (a change left half done), or ""
};

// Adds entry to the journal's step of the change, with a token of its own. The reason the
// journal cannot be written, for a change that goes on without it.
std::optional<std::string> change_add_journal(Change *change, JournalEntry entry);

// True when a file of the change gets other bytes, or the journal a step.
bool change_changes(const Change &change);

// Runs a change under the writers' lock. make fills change->files from what the files hold
// now; its reason refuses the change before anything is written. When another program writes
// one of the files meanwhile, make is called again on what is there now (a few times at most).
// Once the lists are written and GIO has read them, check may give a reason to take the change
// back (it is then as if it had not been made); when GIO cannot be made to read them (a link
// that leads out of its watch), the files say it all and check is not asked. Returns the
// reason the change was not made.
std::optional<std::string>
change_run(Change *change, const std::function<std::optional<std::string>(Change *)> &make,
           const std::function<std::optional<std::string>(const Change &)> &check);

// Takes the writers' turn (see take_turn) and, when it takes the lock, first finishes or takes
// back a change another run left recorded, so that nothing is computed from files that
// disagree: *recovered says so in one line. The reason when the turn cannot be taken, or when
// the change left behind cannot be mended (changes then wait until it can).
std::optional<std::string> change_take_turn(Turn *turn, std::string *recovered,
                                            int wait_ms = TURN_WAIT_MS);
// Finishes or takes back a change another run left recorded. Only under the writers' lock.
// nullopt when there was none; else one line saying what was done (ok), or why it could not be
// (not ok: changes must wait until it can).
std::optional<Outcome> change_recover();

// At a face's start: when a change another run left half done is recorded, takes the writers'
// lock if it is free and finishes or takes back that change. The line that says so, or "".
std::string change_recover_at_start();
