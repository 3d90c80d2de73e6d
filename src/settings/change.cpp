#include "settings/change.h"

#include <algorithm>
#include <cstdlib>
#include <glib.h>
#include <glib/gstdio.h>
#include <string_view>

#include "settings/mimeapps.h"
#include "settings/turn.h"
#include "util/files.h"
#include "util/paths.h"

namespace {

// How many times a change is made anew on what another program wrote meanwhile.
constexpr int CHANGE_TRIES = 3;

constexpr std::string_view CHANGE_MAGIC = "quarve change 1\n";

std::string record_path(const std::string &folder) {
    g_autofree char *path = g_build_filename(folder.c_str(), "change", nullptr);
    return path;
}

void put_block(std::string *out, std::string_view tag, const std::optional<std::string> &bytes) {
    *out += tag;
    if (!bytes) {
        *out += " -\n";
        return;
    }
    out->append(" ").append(std::to_string(bytes->size())).append("\n");
    out->append(*bytes).append("\n");
}

// The record: each block a tag, its length and its bytes, so that any bytes (a CRLF file, a
// path with blanks) come back exactly; "end" last, so that a cut record is never taken whole.
std::string record_text(const Change &change) {
    std::string out(CHANGE_MAGIC);
    put_block(&out, "what", change.what);
    if (change.journal.add)
        put_block(&out, "journal-add", journal_entry_text(*change.journal.add));
    if (change.journal.drop)
        put_block(&out, "journal-drop",
                  std::to_string(change.journal.drop_count) + " " + change.journal.drop_token);
    for (const ChangeFile &f : change.files) {
        if (f.before == f.after)
            continue;
        put_block(&out, f.list ? "list" : "file", f.path);
        put_block(&out, "before", f.before);
        put_block(&out, "after", f.after);
    }
    return out + "end\n";
}

// Takes the block tagged tag off the front of text; false when text does not start with one.
bool take_block(std::string_view *text, std::string_view tag, std::optional<std::string> *bytes) {
    size_t eol = text->find('\n');
    if (eol == std::string_view::npos)
        return false;
    std::string_view head = text->substr(0, eol);
    if (!head.starts_with(tag) || head.size() < tag.size() + 2 || head[tag.size()] != ' ')
        return false;
    std::string_view size = head.substr(tag.size() + 1);
    text->remove_prefix(eol + 1);
    if (size == "-") {
        *bytes = std::nullopt;
        return true;
    }
    size_t n = 0;
    for (char c : size) {
        if (c < '0' || c > '9' || n > text->size())
            return false;
        n = n * 10 + static_cast<size_t>(c - '0');
    }
    if (size.empty() || n + 1 > text->size() || (*text)[n] != '\n')
        return false;
    *bytes = std::string(text->substr(0, n));
    text->remove_prefix(n + 1);
    return true;
}

bool parse_record(std::string_view text, Change *change) {
    if (!text.starts_with(CHANGE_MAGIC))
        return false;
    text.remove_prefix(CHANGE_MAGIC.size());
    std::optional<std::string> what;
    if (!take_block(&text, "what", &what) || !what)
        return false;
    change->what = *what;
    std::optional<std::string> step;
    if (text.starts_with("journal-add ")) {
        JournalEntry entry;
        if (!take_block(&text, "journal-add", &step) || !step ||
            !journal_entry_parse(*step, &entry))
            return false;
        change->journal.add = std::move(entry);
    } else if (text.starts_with("journal-drop ")) {
        if (!take_block(&text, "journal-drop", &step) || !step)
            return false;
        size_t blank = step->find(' ');
        change->journal.drop = true;
        change->journal.drop_count = std::strtoul(step->c_str(), nullptr, 10);
        change->journal.drop_token = blank == std::string::npos ? "" : step->substr(blank + 1);
    }
    while (text != "end\n") {
        ChangeFile f;
        std::optional<std::string> path;
        f.list = text.starts_with("list ");
        if (!take_block(&text, f.list ? "list" : "file", &path) || !path ||
            !take_block(&text, "before", &f.before) || !take_block(&text, "after", &f.after))
            return false;
        f.path = *path;
        change->files.push_back(std::move(f));
    }
    return true;
}

std::optional<std::string> write_record(const Change &change) {
    std::string text = record_text(change);
    std::string path = record_path(turn_folder());
    g_autoptr(GError) error = nullptr;
    if (!files_replace(path.c_str(), text.data(), text.size(), &error))
        return std::string(error->message);
    return std::nullopt;
}

void remove_record() {
    std::string path = record_path(turn_folder());
    bool changed = false;
    files_replace_if(path.c_str(), std::nullopt, files_read(path.c_str()), &changed, nullptr);
}

// Writes the files of the change whose list flag is lists, each only while it holds its
// before bytes. The reason of the first that could not be; *raced when another program had
// written it.
std::optional<std::string> write_files(Change *change, bool lists, bool *raced) {
    *raced = false;
    for (ChangeFile &f : change->files) {
        if (f.list != lists || f.before == f.after)
            continue;
        g_autoptr(GError) error = nullptr;
        if (!files_replace_if(f.path.c_str(), f.after, f.before, raced, &error))
            return std::string(error->message);
        f.written = true;
    }
    return std::nullopt;
}

bool any_written(const Change &change, bool lists) {
    for (const ChangeFile &f : change.files)
        if (f.written && f.list == lists)
            return true;
    return false;
}

// Makes GIO in this process read the lists the change wrote; false when it cannot see them.
bool reread(const Change &change) {
    for (const ChangeFile &f : change.files)
        if (f.written && f.list)
            return mimeapps_reread(f.path);
    return true;
}

// Puts every written file back, the last written first; the reason when one could not be
// (another program wrote it since: its bytes stay).
std::optional<std::string> put_back(Change *change) {
    bool lists = any_written(*change, true);
    if (lists)
        mimeapps_watch();
    std::optional<std::string> failed;
    for (auto f = change->files.rbegin(); f != change->files.rend(); ++f) {
        if (!f->written)
            continue;
        bool changed = false;
        g_autoptr(GError) error = nullptr;
        if (!files_replace_if(f->path.c_str(), f->before, f->after, &changed, &error) && !failed)
            failed = std::string(error->message);
        f->written = false;
    }
    if (lists)
        reread(*change);
    return failed;
}

// Takes back what was written and drops the record; the reason, with the put-back's own.
std::string abandon(Change *change, std::string reason) {
    if (auto error = put_back(change))
        reason += "; the earlier settings could not be put back: " + *error;
    remove_record();
    return reason;
}

// Entries that name no type (a hand-edited journal) at its end are not counted.
void trim_empty(std::vector<JournalEntry> *journal) {
    while (!journal->empty() && journal_entry_empty(journal->back()))
        journal->pop_back();
}

// Whether the journal already shows the step of the change (taken by the run that was
// interrupted, or now).
bool journal_done(const ChangeJournal &step, std::vector<JournalEntry> journal) {
    if (step.add)
        return std::any_of(journal.begin(), journal.end(),
                           [&](const JournalEntry &e) { return e.token == step.add->token; });
    trim_empty(&journal);
    return !step.drop || journal.empty() || journal.size() != step.drop_count ||
           journal.back().token != step.drop_token;
}

// Takes the journal's step of the change once. The reason when the journal cannot be written.
std::optional<std::string> take_journal_step(const ChangeJournal &step) {
    if (!step.add && !step.drop)
        return std::nullopt;
    std::vector<JournalEntry> journal = journal_load_packed();
    if (journal_done(step, journal))
        return std::nullopt;
    if (step.add) {
        journal.push_back(*step.add);
    } else {
        trim_empty(&journal);
        journal.pop_back();
    }
    std::string error;
    if (!journal_save(journal, &error))
        return error;
    return std::nullopt;
}

std::string what_of(const Change &change) {
    return change.what.empty() ? std::string("a change") : change.what;
}

} // namespace

std::optional<std::string> change_add_journal(Change *change, JournalEntry entry) {
    std::string why;
    if (!journal_writable(&why))
        return why;
    entry.token = journal_token();
    change->journal.add = std::move(entry);
    return std::nullopt;
}

bool change_changes(const Change &change) {
    for (const ChangeFile &f : change.files)
        if (f.before != f.after)
            return true;
    return change.journal.add || change.journal.drop;
}

std::optional<std::string>
change_run(Change *change, const std::function<std::optional<std::string>(Change *)> &make,
           const std::function<std::optional<std::string>(const Change &)> &check) {
    Turn turn;
    if (auto busy = change_take_turn(&turn, &change->recovered))
        return busy;
    // What writes killed before they could finish left beside the files: a change that finds
    // nothing to do cleans up too.
    for (const std::string &path : paths_desktop_lists())
        files_sweep(path.c_str());
    for (const std::string &path : paths_terminal_desktop_lists())
        files_sweep(path.c_str());
    for (const std::string &path : {paths_settings(), paths_pins(), paths_journal(),
                                    paths_terminal_list(), record_path(turn_folder())})
        files_sweep(path.c_str());
    mimeapps_sweep();
    std::string raced_path;
    for (int attempt = 0; attempt < CHANGE_TRIES; attempt++) {
        change->files.clear();
        change->journal = {};
        if (auto refusal = make(change))
            return refusal;
        if (!change_changes(*change))
            return std::nullopt;
        // Every file is looked at before the first is written: a change that cannot be made
        // whole is not begun.
        for (ChangeFile &f : change->files) {
            if (f.before == f.after)
                continue;
            if (auto refusal = files_refusal(f.path.c_str()))
                return refusal;
            files_sweep(f.path.c_str());
        }
        if (auto error = write_record(*change))
            return "the change cannot be recorded before it is made: " + *error;
        bool raced = false;
        bool lists = std::any_of(change->files.begin(), change->files.end(),
                                 [](const ChangeFile &f) { return f.list && f.before != f.after; });
        if (lists)
            mimeapps_watch();
        std::optional<std::string> error = write_files(change, true, &raced);
        if (!error && check && any_written(*change, true) && reread(*change))
            if (auto reason = check(*change))
                return abandon(change, *reason);
        if (!error)
            error = write_files(change, false, &raced);
        if (!error) {
            // Last, since an interrupted change is finished by its record: the change stands
            // without it, and says that it cannot be undone.
            if (auto failed = take_journal_step(change->journal))
                change->journal.error = *failed;
            remove_record();
            return std::nullopt;
        }
        if (!raced)
            return abandon(change, *error);
        abandon(change, "");
        raced_path = error->substr(0, error->find(" changed while quarve was writing it"));
    }
    return raced_path + " keeps changing while quarve writes it; nothing was changed";
}

std::optional<std::string> change_take_turn(Turn *turn, std::string *recovered, int wait_ms) {
    recovered->clear();
    if (auto busy = take_turn(turn, wait_ms))
        return busy;
    if (!turn->outermost)
        return std::nullopt;
    std::optional<Outcome> mended = change_recover();
    if (!mended)
        return std::nullopt;
    if (!mended->ok)
        return mended->message; // the turn's destructor lets the lock go
    *recovered = mended->message;
    return std::nullopt;
}

std::optional<Outcome> change_recover() {
    for (const std::string &folder : turn_folders()) {
        std::string path = record_path(folder);
        std::optional<std::string> text = files_read(path.c_str());
        if (!text)
            continue;
        Change change;
        if (!parse_record(*text, &change)) {
            // Written in one step, a record is whole or absent; this one is someone else's.
            g_rename(path.c_str(), (path + ".bad").c_str());
            return outcome_ok("An unreadable record of a change was kept as " + path + ".bad");
        }
        // Finished when every list already holds its new bytes (the change is in effect, and
        // its journal entry and pins must follow), or when a step after the lists was taken.
        // Otherwise nothing of it took effect yet.
        bool forward = true, later = false;
        for (const ChangeFile &f : change.files) {
            bool now = files_read(f.path.c_str()) == f.after;
            forward = forward && (now || !f.list);
            later = later || (now && !f.list && f.before != f.after);
        }
        if ((change.journal.add || change.journal.drop) &&
            journal_done(change.journal, journal_load_packed()))
            later = true;
        forward = forward || later;
        std::vector<std::string> left;
        std::optional<std::string> failed;
        for (ChangeFile &f : change.files) {
            files_sweep(f.path.c_str()); // the temporary file the killed write left
            std::optional<std::string> now = files_read(f.path.c_str());
            const std::optional<std::string> &want = forward ? f.after : f.before;
            const std::optional<std::string> &other = forward ? f.before : f.after;
            if (now == want)
                continue;
            if (now != other) {
                left.push_back(f.path); // changed by someone else since: theirs stays
                continue;
            }
            bool changed = false;
            g_autoptr(GError) error = nullptr;
            if (!files_replace_if(f.path.c_str(), want, other, &changed, &error) && !failed)
                failed = std::string(error->message);
        }
        if (!failed && forward)
            failed = take_journal_step(change.journal);
        if (failed)
            return outcome_failed("A change that was interrupted (" + what_of(change) +
                                  ") cannot be " + (forward ? "finished" : "taken back") + ": " +
                                  *failed);
        bool changed = false;
        files_replace_if(path.c_str(), std::nullopt, text, &changed, nullptr);
        std::string message = std::string(forward ? "Finished" : "Took back") +
                              " a change that was interrupted: " + what_of(change);
        if (!left.empty()) {
            message += "; left alone, changed since:";
            for (const std::string &l : left)
                message += " " + l;
        }
        return outcome_ok(message);
    }
    return std::nullopt;
}

std::string change_recover_at_start() {
    bool recorded = false;
    for (const std::string &folder : turn_folders())
        recorded = recorded || g_file_test(record_path(folder).c_str(), G_FILE_TEST_EXISTS);
    if (!recorded)
        return "";
    // A quarve that holds the lock is mid-change, and mends what it finds itself.
    Turn turn;
    std::string recovered;
    if (auto busy = change_take_turn(&turn, &recovered, 0))
        return *busy == TURN_BUSY ? "" : *busy;
    return recovered;
}
