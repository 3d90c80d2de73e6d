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
    // What the outermost turn found and mended first: a change another run left half done
    // (killed between its files), finished or taken back. One line, or "".
    std::string recovered;
    Turn() = default;
    Turn(const Turn &) = delete;
    Turn &operator=(const Turn &) = delete;
    ~Turn();
};

// Takes the turn, waiting a few seconds for another quarve process. The reason when it could
// not be taken ("another quarve is changing the settings", or the folder the lock cannot be
// made in and what to do about it).
std::optional<std::string> take_turn(Turn *turn, int wait_ms = TURN_WAIT_MS);
// The folder of the lock, and of the record of a change under way: quarve's folder in the
// user's state folder, or in the runtime folder when that one cannot be written.
std::string turn_folder();
// Every folder a change under way may have been recorded in, whichever was writable then.
std::vector<std::string> turn_folders();
