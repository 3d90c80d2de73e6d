#include "settings/turn.h"

#include <glib.h>
#include <vector>

#include "util/files.h"
#include "util/paths.h"

namespace {

// The lock of this process and how many turns hold it. flock on a second descriptor of the
// same file would wait for the first one, so a nested turn only counts.
int turn_fd = -1;
int turn_depth = 0;

// Made when missing; nullopt when a file can be made in it, else why not.
std::optional<std::string> usable(const std::string &folder) {
    if (auto refusal = files_make_folder(folder.c_str()))
        return refusal;
    g_autofree char *probe = g_build_filename(folder.c_str(), "lock", nullptr);
    return files_refusal(probe);
}

} // namespace

Turn::~Turn() {
    if (held && --turn_depth == 0) {
        files_unlock(turn_fd);
        turn_fd = -1;
    }
}

std::string turn_folder() {
    std::string state = paths_state_folder();
    // A state folder that cannot be written (a read-only home, a full disk's quota) must not
    // stop every change: the runtime folder is the user's own too, though it goes at logout.
    if (!usable(state) || usable(paths_runtime_folder()))
        return state;
    return paths_runtime_folder();
}

std::vector<std::string> turn_folders() {
    return {paths_state_folder(), paths_runtime_folder()};
}

std::optional<std::string> take_turn(Turn *turn, int wait_ms) {
    if (turn_depth > 0) {
        turn_depth++;
        turn->held = true;
        return std::nullopt;
    }
    std::string folder = turn_folder();
    if (auto refusal = usable(folder))
        return "the lock cannot be made: " + *refusal + "; make " + paths_state_folder() +
               " writable, or point XDG_STATE_HOME at a folder that is";
    g_autofree char *path = g_build_filename(folder.c_str(), "lock", nullptr);
    g_autoptr(GError) error = nullptr;
    if (!files_lock(path, wait_ms, &turn_fd, &error)) {
        if (g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_AGAIN))
            return std::string(TURN_BUSY);
        return std::string(error->message);
    }
    turn_depth = 1;
    turn->held = true;
    turn->outermost = true;
    return std::nullopt;
}
