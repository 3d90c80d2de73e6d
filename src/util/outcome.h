// What an operation of the core reports to the face that called it.
#pragma once

#include <string>
#include <vector>

// One MIME type of an operation, where the outcome has more to say about it than the message.
struct OutcomeType {
    std::string type;
    std::string detail;
};

// Success or failure and the message a face shows for it: the screen's status line (a failure's
// text begins with "Failed"), the command line's output and exit status. The flag decides; no
// face reads the message to find out whether something failed.
struct Outcome {
    bool ok = true;
    std::string message;
    std::vector<OutcomeType> types;
    std::string warning; // what a success leaves the user to know ("it cannot be undone: …")
};

inline Outcome outcome_ok(std::string message) {
    return {true, std::move(message), {}, {}};
}

inline Outcome outcome_failed(std::string message) {
    return {false, std::move(message), {}, {}};
}
