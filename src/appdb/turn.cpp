#include "appdb/turn.h"

#include <gio/gio.h>

#include "appdb/journal.h"
#include "util/files.h"

namespace {

// How long a quarve process waits for another one to finish its change.
constexpr int TURN_WAIT_MS = 5000;

// The lock of this process and how many turns hold it. flock on a second descriptor of the
// same file would wait for the first one, so a nested turn only counts.
int turn_fd = -1;
int turn_depth = 0;

} // namespace

Turn::~Turn() {
    if (held && --turn_depth == 0) {
        files_unlock(turn_fd);
        turn_fd = -1;
    }
}

std::optional<std::string> take_turn(Turn *turn) {
    if (turn_depth > 0) {
        turn_depth++;
        turn->held = true;
        return std::nullopt;
    }
    std::string path = journal_lock_path();
    g_autoptr(GError) error = nullptr;
    if (files_lock(path.c_str(), TURN_WAIT_MS, &turn_fd, &error)) {
        turn_depth = 1;
        turn->held = true;
        return std::nullopt;
    }
    if (g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_AGAIN))
        return std::string("another quarve is changing the settings");
    return std::string(error->message);
}
