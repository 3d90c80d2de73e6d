#include "appdb/change.h"

#include <cerrno>
#include <glib.h>
#include <unistd.h>

#include "util/files.h"

namespace {

std::optional<std::string> put_back_one(ListWrite *list) {
    if (!list->written)
        return std::nullopt;
    if (!list->existed) {
        g_autofree char *target = files_link_target(list->file.path.c_str());
        if (target != nullptr && unlink(target) != 0)
            return std::string(target) + ": " + g_strerror(errno);
        return std::nullopt;
    }
    bool changed = false;
    return mimeapps_commit(&list->file, list->before, &changed);
}

} // namespace

std::optional<std::string>
change_write(std::vector<ListWrite> *lists,
             const std::function<std::string(size_t index, const MimeappsFile &now)> &make) {
    mimeapps_watch();
    for (size_t i = 0; i < lists->size(); i++) {
        ListWrite &list = (*lists)[i];
        mimeapps_sweep(list.file.path.c_str());
        std::optional<std::string> error;
        for (int attempt = 0;; attempt++) {
            if ((error = mimeapps_open(list.file.path.c_str(), &list.file)))
                break;
            list.before = list.file.bytes;
            list.existed = list.file.exists;
            std::string next = make(i, list.file);
            if (next == list.file.bytes)
                break;
            bool changed = false;
            if (!(error = mimeapps_commit(&list.file, next, &changed))) {
                list.written = true;
                break;
            }
            if (!changed || attempt > 0) {
                if (changed)
                    *error += "; nothing was changed";
                break;
            }
        }
        if (error) {
            if (auto undone = change_put_back(lists))
                *error += "; the earlier settings could not be put back: " + *undone;
            return error;
        }
    }
    return std::nullopt;
}

std::optional<std::string> change_put_back(std::vector<ListWrite> *lists) {
    std::optional<std::string> failed;
    mimeapps_watch();
    bool any = false;
    for (ListWrite &list : *lists) {
        any = any || list.written;
        if (auto error = put_back_one(&list); error && !failed)
            failed = error;
        list.written = false;
    }
    if (any)
        mimeapps_reread(&lists->front().file);
    return failed;
}

bool change_reread(const std::vector<ListWrite> &lists) {
    for (const ListWrite &list : lists)
        if (list.written)
            return mimeapps_reread(&list.file);
    return true;
}

std::string change_journal_add(JournalEntry entry) {
    std::vector<JournalEntry> journal = journal_load();
    journal.push_back(std::move(entry));
    std::string error;
    return journal_save(journal, &error) ? "" : error;
}

void change_journal_drop_last() {
    std::vector<JournalEntry> journal = journal_load();
    if (journal.empty())
        return;
    journal.pop_back();
    std::string error;
    journal_save(journal, &error);
}
