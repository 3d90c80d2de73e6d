// Every change of the user's default-application lists (made in a turn, see turn.h): each list
// is written in one step, the lists of one change are put back together when one fails, and
// the change is recorded for undo.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "appdb/journal.h"
#include "appdb/mimeapps.h"

// One list a change writes.
struct ListWrite {
    MimeappsFile file;  // its path is set by the caller
    std::string before; // its text before the change
    bool existed = false;
    bool written = false;
};

// Writes each list with the text make gives for it from what it holds now; when another program
// wrote a list in between, its text is made once more. A list whose text stays is not written.
// When one cannot be written, those written before it are put back. The reason on failure.
std::optional<std::string>
change_write(std::vector<ListWrite> *lists,
             const std::function<std::string(size_t index, const MimeappsFile &now)> &make);
// Puts every written list back as it was; the reason when one could not be.
std::optional<std::string> change_put_back(std::vector<ListWrite> *lists);
// Makes GIO read the lists again when any was written; false when it cannot see them.
bool change_reread(const std::vector<ListWrite> &lists);
// Adds entry to the journal; "" or the reason it could not be written.
std::string change_journal_add(JournalEntry entry);
// Takes the newest entry off the journal again.
void change_journal_drop_last();
