// The terminal API over ncursesw, on /dev/tty so that redirected standard streams do not matter.
#ifndef NCURSES_WIDECHAR
#define NCURSES_WIDECHAR 1
#endif
#include <curses.h>
#include <term.h>

#include "term/cells.h"
#include "term/termbox.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <langinfo.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Bracketed paste: the terminal wraps pasted text in these, which curses reports as keys of
// ours, beyond its own key codes.
constexpr int TTY_KEY_PASTE_BEGIN = KEY_MAX + 1;
constexpr int TTY_KEY_PASTE_END = KEY_MAX + 2;
constexpr const char *TTY_PASTE_ON = "\033[?2004h";
constexpr const char *TTY_PASTE_OFF = "\033[?2004l";
// A paste arrives as one burst: a pause this long means its end marker was lost (a terminal
// that dropped it, or bytes that only looked like its start), and keys are keys again.
constexpr int64_t TTY_PASTE_PAUSE_US = 1000000;
// xterm's own sequence for the window's title (OSC 2), for terminals that take it without a
// description that says so.
constexpr const char *TTY_TITLE_START = "\033]2;";
constexpr const char *TTY_TITLE_END = "\007";

int64_t monotonic_us() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

struct Tty {
    SCREEN *screen = nullptr;
    bool pasting = false; // between the start and the end of a bracketed paste
    int64_t last_input_us = 0;
    FILE *file = nullptr;
    bool default_colors = false;
    short pairs[9][9] = {}; // colour pair for each (fg, bg) value 0..8, allocated on first use
    short next_pair = 1;
    uint16_t clear_fg = TB_DEFAULT;
    uint16_t clear_bg = TB_DEFAULT;
    std::string untitle; // what takes tb_set_title's name away again; empty when it named none
    struct sigaction old_winch = {};
};

Tty tty;

// Window-size changes reach the event wait through a pipe, so that one arriving while a frame
// is being drawn is not lost until the next key, as it would be with curses' own flag.
int winch_pipe[2] = {-1, -1};

// Set after every byte written to the pipe (and whenever a wait finds the pipe readable), so
// that reading input need not ask the pipe each time: a long paste arrives one key at a time.
volatile sig_atomic_t winch_pending = 0;

void on_winch(int) {
    int saved = errno;
    if (write(winch_pipe[1], "", 1) < 0) {
        // The pipe is full: a resize is already pending.
    }
    winch_pending = 1;
    errno = saved;
}

bool open_winch_pipe() {
    if (pipe2(winch_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa = {};
    sa.sa_handler = on_winch;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGWINCH, &sa, &tty.old_winch);
    return true;
}

void close_winch_pipe() {
    sigaction(SIGWINCH, &tty.old_winch, nullptr);
    for (int &fd : winch_pipe) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
}

// Takes in a pending size change; true when there was one.
bool take_resize() {
    if (!winch_pending)
        return false;
    winch_pending = 0;
    char buf[64];
    bool any = false;
    while (read(winch_pipe[0], buf, sizeof buf) > 0)
        any = true;
    if (!any)
        return false;
    winsize ws{};
    if (ioctl(fileno(tty.file), TIOCGWINSZ, &ws) == 0 && ws.ws_row > 0 && ws.ws_col > 0)
        resizeterm(ws.ws_row, ws.ws_col);
    // What the terminal shows after a resize is its own business (reflowed, cut, scrolled);
    // the next frame repaints every cell instead of trusting curses' copy.
    clearok(curscr, TRUE);
    return true;
}

// Input that polls readable this many times in a row yet gives no key is an end of file, even
// where poll() reports no hang-up.
constexpr int TTY_MAX_FAILED_READS = 8;

void use_utf8_locale() {
    const char *loc = setlocale(LC_CTYPE, "");
    if (loc == nullptr || strcmp(nl_langinfo(CODESET), "UTF-8") != 0)
        setlocale(LC_CTYPE, "C.UTF-8");
}

// Arrow, Home and End keys in both their normal and their application-mode form, whatever
// the terminfo entry lists, so that no terminal delivers a bare Esc for them.
void define_cursor_keys() {
    static constexpr struct {
        const char *seq;
        int key;
    } keys[] = {
        {"\033[A", KEY_UP},    {"\033OA", KEY_UP},    {"\033[B", KEY_DOWN},  {"\033OB", KEY_DOWN},
        {"\033[C", KEY_RIGHT}, {"\033OC", KEY_RIGHT}, {"\033[D", KEY_LEFT},  {"\033OD", KEY_LEFT},
        {"\033[H", KEY_HOME},  {"\033OH", KEY_HOME},  {"\033[1~", KEY_HOME}, {"\033[7~", KEY_HOME},
        {"\033[F", KEY_END},   {"\033OF", KEY_END},   {"\033[4~", KEY_END},  {"\033[8~", KEY_END},
    };
    for (const auto &k : keys)
        define_key(k.seq, k.key);
    define_key("\033[200~", TTY_KEY_PASTE_BEGIN);
    define_key("\033[201~", TTY_KEY_PASTE_END);
}

short curses_colour(uint16_t tb, short fallback) {
    tb &= 0x0F;
    if (tb == TB_DEFAULT || tb > TB_WHITE)
        return tty.default_colors ? -1 : fallback;
    return static_cast<short>(tb - 1); // TB_BLACK..TB_WHITE follow curses' COLOR_BLACK..WHITE
}

short colour_pair(uint16_t fg, uint16_t bg) {
    if (!has_colors())
        return 0;
    unsigned f = fg & 0x0F, b = bg & 0x0F;
    if (f > 8 || b > 8 || (f == 0 && b == 0))
        return 0;
    if (tty.pairs[f][b] == 0 && tty.next_pair < COLOR_PAIRS) {
        short p = tty.next_pair++;
        init_pair(p, curses_colour(fg, COLOR_WHITE), curses_colour(bg, COLOR_BLACK));
        tty.pairs[f][b] = p;
    }
    return tty.pairs[f][b];
}

// On a terminal without colours a coloured background (a selection bar) shows as reverse video.
attr_t attributes(uint16_t fg, uint16_t bg) {
    attr_t a = (fg & TB_BOLD) ? A_BOLD : A_NORMAL;
    if (fg & TB_REVERSE)
        a |= A_REVERSE;
    uint16_t b = bg & 0x0F;
    if (!has_colors() && b != TB_DEFAULT && b != TB_BLACK)
        a |= A_REVERSE;
    return a;
}

enum TtyWait { TTY_READY, TTY_TIMEOUT, TTY_GONE };

// Waits up to timeout_ms (-1: for ever) until the terminal has input or the window size
// changed. TTY_GONE when the terminal is gone (hung up, closed).
TtyWait wait_for_input(int timeout_ms) {
    for (;;) {
        pollfd p[2] = {{fileno(tty.file), POLLIN, 0}, {winch_pipe[0], POLLIN, 0}};
        int n = poll(p, 2, timeout_ms);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            return TTY_TIMEOUT;
        if (n < 0 || (p[0].revents & (POLLERR | POLLNVAL)) != 0)
            return TTY_GONE;
        // The signal may have reached another thread, whose flag this thread has not seen yet.
        if ((p[1].revents & POLLIN) != 0)
            winch_pending = 1;
        // A hang-up with unread input still lets that input through first.
        bool ready = (p[0].revents & POLLHUP) == 0 || (p[0].revents & POLLIN) != 0 ||
                     (p[1].revents & POLLIN) != 0;
        return ready ? TTY_READY : TTY_GONE;
    }
}

// A capability of the terminal's description, or NULL where it has none.
const char *capability(const char *name) {
    char *value = tigetstr(name);
    return value == nullptr || value == reinterpret_cast<char *>(-1) ? nullptr : value;
}

// The UTF-8 bytes of code point cp, which cells_next has found valid.
void put_utf8(std::string *out, uint32_t cp) {
    if (cp < 0x80) {
        *out += static_cast<char>(cp);
        return;
    }
    int n = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    char bytes[4];
    for (int i = n - 1; i > 0; i--, cp >>= 6)
        bytes[i] = static_cast<char>(0x80 | (cp & 0x3F));
    bytes[0] = static_cast<char>((n == 2 ? 0xC0 : n == 3 ? 0xE0 : 0xF0) | cp);
    out->append(bytes, static_cast<size_t>(n));
}

// How this terminal's window is named: what comes before the name, what ends it, and what
// takes it away again (empty where nothing can).
struct TtyTitle {
    std::string start, end, clear;
};

// False where the terminal takes no title. A status line (hs) is the window's title on the
// terminals that have one; terminals that lack it (xterm and most that follow it) say so with
// an extended capability, TS, or take xterm's own sequence. On any other the sequence would
// show as text, or worse.
bool title_sequences(TtyTitle *how) {
    const char *to = capability("tsl"), *from = capability("fsl"), *off = capability("dsl");
    const char *ts = capability("TS"), *term = getenv("TERM");
    if (tigetflag("hs") > 0 && to != nullptr && from != nullptr) {
        *how = {tiparm(to, 0), from, off != nullptr ? off : ""};
    } else if (ts != nullptr) {
        *how = {ts, from != nullptr ? from : "\007", ""};
        how->clear = off != nullptr ? off : how->start + how->end;
    } else if (tigetflag("XT") > 0 || (term != nullptr && strncmp(term, "xterm", 5) == 0)) {
        *how = {TTY_TITLE_START, TTY_TITLE_END, std::string(TTY_TITLE_START) + TTY_TITLE_END};
    } else {
        return false;
    }
    return true;
}

void set_bracketed_paste(const char *sequence) {
    fputs(sequence, tty.file);
    fflush(tty.file);
}

uint16_t map_key(wint_t k) {
    switch (k) {
    case KEY_UP:
        return TB_KEY_ARROW_UP;
    case KEY_DOWN:
        return TB_KEY_ARROW_DOWN;
    case KEY_LEFT:
        return TB_KEY_ARROW_LEFT;
    case KEY_RIGHT:
        return TB_KEY_ARROW_RIGHT;
    case KEY_HOME:
        return TB_KEY_HOME;
    case KEY_END:
        return TB_KEY_END;
    case KEY_PPAGE:
        return TB_KEY_PGUP;
    case KEY_NPAGE:
        return TB_KEY_PGDN;
    case KEY_IC:
        return TB_KEY_INSERT;
    case KEY_DC:
        return TB_KEY_DELETE;
    case KEY_BACKSPACE:
        return TB_KEY_BACKSPACE2;
    case KEY_ENTER:
        return TB_KEY_ENTER;
    default:
        if (k >= static_cast<wint_t>(KEY_F(1)) && k <= static_cast<wint_t>(KEY_F(12)))
            return static_cast<uint16_t>(TB_KEY_F1 - (k - KEY_F(1)));
        return TB_KEY_UNKNOWN;
    }
}

bool paste_marker(wint_t k) {
    return k == static_cast<wint_t>(TTY_KEY_PASTE_BEGIN) ||
           k == static_cast<wint_t>(TTY_KEY_PASTE_END);
}

// The key wget_wch gave (r: KEY_CODE_YES for a curses key code) as a key event.
void set_key(tb_event *event, int r, wint_t wch, uint8_t mod) {
    event->type = TB_EVENT_KEY;
    event->mod = mod;
    if (r == KEY_CODE_YES)
        event->key = map_key(wch);
    else if (wch < 0x20 || wch == 0x7F)
        event->key = static_cast<uint16_t>(wch);
    else
        event->ch = static_cast<uint32_t>(wch);
}

// Gives the terminal back as it was found and forgets it.
void release_terminal() {
    endwin();
    delscreen(tty.screen);
    close_winch_pipe();
    fclose(tty.file);
    tty = Tty{};
}

} // namespace

int tb_init() {
    if (tty.screen != nullptr)
        return TB_ERR;
    use_utf8_locale();
    tty.file = fopen("/dev/tty", "r+e");
    if (tty.file == nullptr)
        return TB_ERR_INIT_OPEN;
    // Installed before newterm, so that curses leaves SIGWINCH to us.
    if (!open_winch_pipe()) {
        fclose(tty.file);
        tty = Tty{};
        return TB_ERR;
    }
    // Unlike initscr, newterm reports an unknown terminal type by returning NULL.
    tty.screen = newterm(nullptr, tty.file, tty.file);
    if (tty.screen == nullptr) {
        close_winch_pipe();
        fclose(tty.file);
        tty = Tty{};
        return TB_ERR_NO_TERM;
    }
    set_term(tty.screen);
    // A terminal that cannot place the cursor (TERM=dumb and the like) would print the
    // frame as one run-on line.
    if (capability("cup") == nullptr) {
        release_terminal();
        return TB_ERR_NO_TERM;
    }
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    nodelay(stdscr, TRUE); // tb_poll_event does the waiting
    intrflush(stdscr, FALSE);
    leaveok(stdscr, TRUE);
    curs_set(0);
    set_escdelay(25);
    define_cursor_keys();
    if (has_colors()) {
        start_color();
        tty.default_colors = use_default_colors() == OK;
    }
    set_bracketed_paste(TTY_PASTE_ON);
    return TB_OK;
}

int tb_shutdown() {
    if (tty.screen == nullptr)
        return TB_ERR_NOT_INIT;
    // The title leaves with the program where the terminal can take it away.
    fputs(tty.untitle.c_str(), tty.file);
    set_bracketed_paste(TTY_PASTE_OFF);
    release_terminal();
    return TB_OK;
}

int tb_set_clear_attrs(uint16_t fg, uint16_t bg) {
    tty.clear_fg = fg;
    tty.clear_bg = bg;
    return TB_OK;
}

int tb_clear() {
    if (tty.screen == nullptr)
        return TB_ERR_NOT_INIT;
    cchar_t blank;
    const wchar_t space[] = {L' ', L'\0'};
    setcchar(&blank, space, attributes(tty.clear_fg, tty.clear_bg),
             colour_pair(tty.clear_fg, tty.clear_bg), nullptr);
    wbkgrndset(stdscr, &blank);
    werase(stdscr);
    return TB_OK;
}

int tb_width() {
    return tty.screen ? COLS : TB_ERR_NOT_INIT;
}

int tb_height() {
    return tty.screen ? LINES : TB_ERR_NOT_INIT;
}

int tb_print(int x, int y, uint16_t fg, uint16_t bg, const char *text) {
    if (tty.screen == nullptr)
        return TB_ERR_NOT_INIT;
    if (x < 0 || y < 0 || x >= COLS || y >= LINES || text == nullptr)
        return TB_ERR;
    attr_t attr = attributes(fg, bg);
    short pair = colour_pair(fg, bg);
    TermCell cell;
    while (x < COLS && cells_next(&text, &cell)) {
        if (x + cell.width > COLS)
            break;
        wchar_t w[CELL_MAX_MARKS + 2] = {};
        w[0] = static_cast<wchar_t>(cell.ch);
        for (int i = 0; i < cell.nmarks; i++)
            w[i + 1] = static_cast<wchar_t>(cell.marks[i]);
        cchar_t cc;
        setcchar(&cc, w, attr, pair, nullptr);
        // Writing the bottom-right cell reports ERR because the cursor cannot advance; the
        // cell is drawn all the same and nothing scrolls.
        mvwadd_wch(stdscr, y, x, &cc);
        x += cell.width;
    }
    return TB_OK;
}

int tb_set_title(const char *title) {
    if (tty.screen == nullptr)
        return TB_ERR_NOT_INIT;
    TtyTitle how;
    if (title == nullptr || !title_sequences(&how))
        return TB_ERR;
    // The title is text: no control character of it reaches the terminal.
    std::string text;
    TermCell cell;
    for (const char *p = title; cells_next(&p, &cell);)
        if (cell.ch != CELL_PLACEHOLDER)
            for (int i = -1; i < cell.nmarks; i++)
                put_utf8(&text, i < 0 ? cell.ch : cell.marks[i]);
    fputs((how.start + text + how.end).c_str(), tty.file);
    fflush(tty.file);
    tty.untitle = how.clear;
    return TB_OK;
}

int tb_present() {
    if (tty.screen == nullptr)
        return TB_ERR_NOT_INIT;
    wnoutrefresh(stdscr);
    doupdate();
    return TB_OK;
}

namespace {

// One event within timeout_ms (-1: for ever).
int read_event(tb_event *event, int timeout_ms) {
    *event = tb_event{};
    if (tty.screen == nullptr)
        return TB_ERR_NOT_INIT;
    int empty_reads = 0;
    for (;;) {
        if (take_resize()) {
            event->type = TB_EVENT_RESIZE;
            event->w = COLS;
            event->h = LINES;
            return TB_OK;
        }
        // Curses may hold keys it has read already (the rest of an unmatched escape
        // sequence), so it is asked before waiting on the descriptor.
        wint_t wch = 0;
        int r = wget_wch(stdscr, &wch);
        if (r == ERR) {
            if (empty_reads++ >= TTY_MAX_FAILED_READS)
                return TB_ERR_READ;
            TtyWait w = wait_for_input(timeout_ms);
            if (w == TTY_GONE)
                return TB_ERR_READ;
            if (w == TTY_TIMEOUT)
                return TB_ERR_NO_EVENT;
            continue;
        }
        empty_reads = 0;
        int64_t now = monotonic_us();
        if (tty.pasting && now - tty.last_input_us > TTY_PASTE_PAUSE_US)
            tty.pasting = false;
        tty.last_input_us = now;
        uint8_t mod = tty.pasting ? TB_MOD_PASTE : 0;
        if (r == KEY_CODE_YES && paste_marker(wch)) {
            tty.pasting = wch == static_cast<wint_t>(TTY_KEY_PASTE_BEGIN);
            continue;
        }
        if (r == KEY_CODE_YES && wch == static_cast<wint_t>(KEY_RESIZE))
            continue; // see take_resize
        // Alt sends Esc before its key, and curses has waited the escape delay for what comes
        // next already: a key that is there now is the chord's, not a key of its own.
        if (r != KEY_CODE_YES && wch == 0x1B && !tty.pasting) {
            wint_t next = 0;
            int r2 = wget_wch(stdscr, &next);
            if (r2 == KEY_CODE_YES && paste_marker(next))
                tty.pasting = next == static_cast<wint_t>(TTY_KEY_PASTE_BEGIN);
            else if (r2 != ERR &&
                     !(r2 == KEY_CODE_YES && next == static_cast<wint_t>(KEY_RESIZE))) {
                r = r2;
                wch = next;
                mod |= TB_MOD_ALT;
            }
        }
        set_key(event, r, wch, mod);
        return TB_OK;
    }
}

} // namespace

int tb_poll_event(tb_event *event) {
    return read_event(event, -1);
}

int tb_peek_event(tb_event *event, int timeout_ms) {
    return read_event(event, timeout_ms < 0 ? 0 : timeout_ms);
}

int tb_get_fds(int *ttyfd, int *resizefd) {
    if (tty.screen == nullptr)
        return TB_ERR_NOT_INIT;
    *ttyfd = fileno(tty.file);
    *resizefd = winch_pipe[0];
    return TB_OK;
}
