// The writers' lock: quarve processes take turns changing the user's settings and pins.
#pragma once

#include <optional>
#include <string>
#include <vector>

// How long a quarve process waits for another one to finish its change.
constexpr int TURN_WAIT_MS = 5000;
// The reason a turn is refused while another quarve holds the lock.
constexpr const char *TURN_BUSY = "another quarve is changing the settings";

// A turn, held from the first read of the settings to the last write that belongs to the
// change. Turns nest within a process: only the outermost one takes and releases the lock, so
// that a change made of other changes (putting pins back through the assignment) holds it
// throughout instead of waiting for itself.
struct Turn {
    bool held = false;
    bool outermost = false; // this turn took the lock; the turns inside it only count
    Turn() = default;
    Turn(const Turn &) = delete;
    Turn &operator=(const Turn &) = delete;
    ~Turn();
};

// Takes the turn, waiting a few seconds for another quarve process. The reason when it could
// not be taken ("another quarve is changing the settings", or the folder the lock cannot be
// made in and what to do about it). A change takes its turn through change_take_turn, which
// first mends what an interrupted run left.
std::optional<std::string> take_turn(Turn *turn, int wait_ms = TURN_WAIT_MS);
// The folder of the lock, and of the record of a change under way: quarve's folder in the
// user's state folder, or in the runtime folder when that one cannot be written.
std::string turn_folder();
// Every folder a change under way may have been recorded in, whichever was writable then.
std::vector<std::string> turn_folders();
