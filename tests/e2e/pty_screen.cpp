#include "pty_screen.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <glib.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vterm.h>

namespace {

using Clock = std::chrono::steady_clock;

int ms_since(Clock::time_point t) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

int settermprop(VTermProp prop, VTermValue *val, void *user) {
    auto self = static_cast<PtyScreen *>(user);
    return PtyScreen::on_prop_bridge(self, prop, val->boolean);
}

VTermScreenCallbacks callbacks = {
    nullptr, nullptr, nullptr, settermprop, nullptr, nullptr, nullptr, nullptr,
};

int colour_index(const VTermColor &c, bool fg) {
    if (fg ? VTERM_COLOR_IS_DEFAULT_FG(&c) : VTERM_COLOR_IS_DEFAULT_BG(&c))
        return -1;
    if (VTERM_COLOR_IS_INDEXED(&c))
        return c.indexed.idx;
    return -2;
}

} // namespace

int PtyScreen::on_prop_bridge(PtyScreen *self, int prop, bool value) {
    if (prop == VTERM_PROP_ALTSCREEN)
        self->altscreen_ = value;
    else if (prop == VTERM_PROP_CURSORVISIBLE)
        self->cursor_visible_ = value;
    return 1;
}

PtyScreen::PtyScreen(const std::string &binary, int rows, int cols, const std::string &term,
                     bool ignore_hangup)
    : rows_(rows), cols_(cols) {
    vt_ = vterm_new(rows, cols);
    vterm_set_utf8(vt_, 1);
    screen_ = vterm_obtain_screen(vt_);
    vterm_screen_set_callbacks(screen_, &callbacks, this);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);

    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(rows);
    ws.ws_col = static_cast<unsigned short>(cols);
    pid_ = forkpty(&master_, nullptr, nullptr, &ws);
    if (pid_ == 0) {
        setenv("TERM", term.c_str(), 1);
        if (ignore_hangup)
            signal(SIGHUP, SIG_IGN);
        execl(binary.c_str(), binary.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyScreen::~PtyScreen() {
    if (pid_ > 0 && exit_status_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0)
        close(master_);
    vterm_free(vt_);
}

bool PtyScreen::pump(int timeout_ms) {
    if (master_ < 0) {
        poll(nullptr, 0, timeout_ms);
        return false;
    }
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, timeout_ms) <= 0)
        return true;
    char buf[4096];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n > 0) {
        output_.append(buf, static_cast<size_t>(n));
        vterm_input_write(vt_, buf, static_cast<size_t>(n));
        return true;
    }
    return n < 0 && (errno == EAGAIN || errno == EINTR);
}

void PtyScreen::send(const std::string &bytes) {
    size_t off = 0;
    auto start = Clock::now();
    while (off < bytes.size() && ms_since(start) < 5000) {
        ssize_t n = write(master_, bytes.data() + off, bytes.size() - off);
        if (n > 0)
            off += static_cast<size_t>(n);
        else
            pump(10);
    }
}

bool PtyScreen::wait_for(const std::function<bool()> &pred, int timeout_ms) {
    auto start = Clock::now();
    while (!pred()) {
        if (ms_since(start) > timeout_ms)
            return false;
        if (!pump(20) && !pred())
            return false;
    }
    return true;
}

bool PtyScreen::wait_text(const std::string &text, int timeout_ms) {
    if (!wait_for([&] { return all_text().find(text) != std::string::npos; }, timeout_ms))
        return false;
    settle(50); // the rest of the frame that showed it
    return true;
}

void PtyScreen::settle(int quiet_ms, int timeout_ms) {
    auto start = Clock::now();
    while (ms_since(start) < timeout_ms) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, quiet_ms) <= 0 || !pump(0))
            return;
    }
}

void PtyScreen::resize(int rows, int cols) {
    rows_ = rows;
    cols_ = cols;
    vterm_set_size(vt_, rows, cols);
    winsize ws{};
    ws.ws_row = static_cast<unsigned short>(rows);
    ws.ws_col = static_cast<unsigned short>(cols);
    ioctl(master_, TIOCSWINSZ, &ws);
}

void PtyScreen::freeze(bool stopped) {
    // A pty that could not be made has no child: -1 would stop every process there is.
    if (pid_ > 0)
        kill(pid_, stopped ? SIGSTOP : SIGCONT);
}

void PtyScreen::hang_up() {
    close(master_);
    master_ = -1;
}

int PtyScreen::wait_exit(int timeout_ms) {
    auto start = Clock::now();
    while (exit_status_ < 0 && ms_since(start) <= timeout_ms) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        pump(20);
    }
    // Take in whatever the program wrote last, such as the sequences that restore the screen.
    while (exit_status_ >= 0 && pump(50)) {
        pollfd p{master_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            break;
    }
    return exit_status_;
}

ScreenCell PtyScreen::cell(int x, int y) {
    VTermScreenCell c{};
    vterm_screen_get_cell(screen_, VTermPos{y, x}, &c);
    ScreenCell out;
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i] != 0; i++) {
        char buf[8];
        out.text.append(buf, static_cast<size_t>(g_unichar_to_utf8(c.chars[i], buf)));
    }
    out.fg = colour_index(c.fg, true);
    out.bg = colour_index(c.bg, false);
    out.bold = c.attrs.bold != 0;
    out.reverse = c.attrs.reverse != 0;
    return out;
}

std::string PtyScreen::row(int y) {
    std::string text;
    for (int x = 0; x < cols_; x++) {
        VTermScreenCell c{};
        vterm_screen_get_cell(screen_, VTermPos{y, x}, &c);
        if (c.chars[0] == static_cast<uint32_t>(-1))
            continue; // the right half of a wide character
        if (c.chars[0] == 0) {
            text += ' ';
            continue;
        }
        text += cell(x, y).text;
    }
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

std::string PtyScreen::all_text() {
    std::string text;
    for (int y = 0; y < rows_; y++)
        text += row(y) + "\n";
    return text;
}
