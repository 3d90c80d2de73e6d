// Runs a program in a pseudo-terminal and keeps a libvterm model of its screen.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

struct VTerm;
struct VTermScreen;

struct ScreenCell {
    std::string text;
    int fg; // colour index 0-7, or -1 for the terminal's default
    int bg;
    bool bold;
    bool reverse;
};

class PtyScreen {
  public:
    // ignore_hangup starts the program with SIGHUP ignored, as nohup does.
    PtyScreen(const std::string &binary, int rows, int cols,
              const std::string &term = "xterm-256color", bool ignore_hangup = false);
    ~PtyScreen();
    PtyScreen(const PtyScreen &) = delete;
    PtyScreen &operator=(const PtyScreen &) = delete;

    // Writes raw bytes to the program's terminal.
    void send(const std::string &bytes);
    // Feeds output into the model until pred holds; false after timeout_ms.
    bool wait_for(const std::function<bool()> &pred, int timeout_ms = 5000);
    // Until text appears anywhere on the screen, and the frame that shows it is complete.
    bool wait_text(const std::string &text, int timeout_ms = 5000);
    // Until no output has come for quiet_ms (bounded by timeout_ms).
    void settle(int quiet_ms = 200, int timeout_ms = 3000);
    // Changes the window size as a terminal emulator does (the kernel signals the program).
    void resize(int rows, int cols);
    // Stops the program (SIGSTOP) or lets it go on (SIGCONT): signals sent meanwhile, such as
    // two size changes, reach it together.
    void freeze(bool stopped);
    // Hangs up: closes the terminal's master side, as a closed terminal window does.
    void hang_up();
    // Exit status of the program, or -1 when it has not ended within timeout_ms.
    int wait_exit(int timeout_ms = 5000);

    std::string row(int y);
    std::string all_text();
    ScreenCell cell(int x, int y);
    bool altscreen() const { return altscreen_; }
    // Every byte the program has written so far, as it came.
    const std::string &output() const { return output_; }
    bool cursor_visible() const { return cursor_visible_; }

  private:
    bool pump(int timeout_ms); // reads what is there; false on end of output

  public:
    // Records the terminal properties the tests look at (alternate screen, cursor).
    static int on_prop_bridge(PtyScreen *self, int prop, bool value);

  private:
    pid_t pid_ = -1;
    int master_ = -1;
    int rows_, cols_;
    int exit_status_ = -1;
    bool altscreen_ = false;
    bool cursor_visible_ = true;
    std::string output_;
    VTerm *vt_ = nullptr;
    VTermScreen *screen_ = nullptr;
};
