// The command line: list, show, get, set, app, undo, reset, why, pin, unpin, pins, terminal,
// export, apply, check, doctor and help, from a script, over the same catalogue, assignment and
// pins as the screen. No terminal is opened.
#pragma once

// Runs the command argv[1..] and returns the exit status: 0 success, 1 failure, 2 usage error.
int cli_main(int argc, char **argv);
