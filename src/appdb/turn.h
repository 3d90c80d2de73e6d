// The writers' lock: quarve processes take turns changing the user's settings and pins.
#pragma once

#include <optional>
#include <string>

// A turn, held from the first read of the settings to the last write that belongs to the
// change. Turns nest within a process: only the outermost one takes and releases the lock, so
// that a change made of other changes (putting pins back through the assignment) holds it
// throughout instead of waiting for itself.
struct Turn {
    bool held = false;
    Turn() = default;
    Turn(const Turn &) = delete;
    Turn &operator=(const Turn &) = delete;
    ~Turn();
};

// Takes the turn, waiting a few seconds for another quarve process. The reason when it could
// not be taken ("another quarve is changing the settings").
std::optional<std::string> take_turn(Turn *turn);
