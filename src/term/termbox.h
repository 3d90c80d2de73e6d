// The small termbox2-style terminal API that quarve draws with.
// Constant values are termbox2's. The program links the ncursesw implementation (tty.cpp);
// unit tests link an in-memory cell grid instead.
#pragma once

#include <cstdint>

// Colours and attributes (16-bit attribute mode).
constexpr uint16_t TB_DEFAULT = 0x0000;
constexpr uint16_t TB_BLACK = 0x0001;
constexpr uint16_t TB_RED = 0x0002;
constexpr uint16_t TB_GREEN = 0x0003;
constexpr uint16_t TB_YELLOW = 0x0004;
constexpr uint16_t TB_BLUE = 0x0005;
constexpr uint16_t TB_MAGENTA = 0x0006;
constexpr uint16_t TB_CYAN = 0x0007;
constexpr uint16_t TB_WHITE = 0x0008;
constexpr uint16_t TB_BOLD = 0x0100;
constexpr uint16_t TB_REVERSE = 0x0400;

// Event types.
constexpr uint8_t TB_EVENT_KEY = 1;
constexpr uint8_t TB_EVENT_RESIZE = 2;

// Key codes: bytes below 32 and 127 as themselves, special keys from 0xFFFF downwards.
constexpr uint16_t TB_KEY_CTRL_C = 0x03;
constexpr uint16_t TB_KEY_BACKSPACE = 0x08;
constexpr uint16_t TB_KEY_TAB = 0x09;
constexpr uint16_t TB_KEY_ENTER = 0x0D;
constexpr uint16_t TB_KEY_ESC = 0x1B;
constexpr uint16_t TB_KEY_BACKSPACE2 = 0x7F;
constexpr uint16_t TB_KEY_F1 = 0xFFFF;
constexpr uint16_t TB_KEY_F2 = 0xFFFE;
constexpr uint16_t TB_KEY_F3 = 0xFFFD;
constexpr uint16_t TB_KEY_F4 = 0xFFFC;
constexpr uint16_t TB_KEY_F5 = 0xFFFB;
constexpr uint16_t TB_KEY_F6 = 0xFFFA;
constexpr uint16_t TB_KEY_F7 = 0xFFF9;
constexpr uint16_t TB_KEY_F8 = 0xFFF8;
constexpr uint16_t TB_KEY_F9 = 0xFFF7;
constexpr uint16_t TB_KEY_F10 = 0xFFF6;
constexpr uint16_t TB_KEY_F11 = 0xFFF5;
constexpr uint16_t TB_KEY_F12 = 0xFFF4;
constexpr uint16_t TB_KEY_INSERT = 0xFFF3;
constexpr uint16_t TB_KEY_DELETE = 0xFFF2;
constexpr uint16_t TB_KEY_HOME = 0xFFF1;
constexpr uint16_t TB_KEY_END = 0xFFF0;
constexpr uint16_t TB_KEY_PGUP = 0xFFEF;
constexpr uint16_t TB_KEY_PGDN = 0xFFEE;
constexpr uint16_t TB_KEY_ARROW_UP = 0xFFED;
constexpr uint16_t TB_KEY_ARROW_DOWN = 0xFFEC;
constexpr uint16_t TB_KEY_ARROW_LEFT = 0xFFEB;
constexpr uint16_t TB_KEY_ARROW_RIGHT = 0xFFEA;
// quarve's own, below termbox2's codes: a key the terminal sent that none of the above names
// (Shift+Up, Ctrl+Right and the like), so that the screen can say it does nothing rather
// than seem not to have heard it.
constexpr uint16_t TB_KEY_UNKNOWN = 0xFF00;

// Modifiers. TB_MOD_ALT marks a key that came right after an Esc, as Alt sends it (Alt+d is
// Esc d). TB_MOD_PASTE is quarve's own: it marks input that arrived inside a bracketed paste,
// so that pasted text is never taken for keys.
constexpr uint8_t TB_MOD_ALT = 0x01;
constexpr uint8_t TB_MOD_CTRL = 0x02;
constexpr uint8_t TB_MOD_SHIFT = 0x04;
constexpr uint8_t TB_MOD_PASTE = 0x10;

// Return codes.
constexpr int TB_OK = 0;
constexpr int TB_ERR = -1;
constexpr int TB_ERR_INIT_OPEN = -4;
constexpr int TB_ERR_NO_EVENT = -6;
constexpr int TB_ERR_NO_TERM = -7;
constexpr int TB_ERR_NOT_INIT = -8;
constexpr int TB_ERR_READ = -10;

struct tb_event {
    uint8_t type; // TB_EVENT_KEY or TB_EVENT_RESIZE; 0 when nothing was read
    uint8_t mod;
    uint16_t key; // a key code, with ch 0
    uint32_t ch;  // a Unicode code point, with key 0
    int32_t w;    // new size, for TB_EVENT_RESIZE
    int32_t h;
    int32_t x;
    int32_t y;
};

// Opens /dev/tty full-screen. 0 on success, negative when no usable terminal; never prints.
int tb_init();
// Restores the terminal exactly as tb_init found it.
int tb_shutdown();
// Attributes of the blank cells that tb_clear leaves.
int tb_set_clear_attrs(uint16_t fg, uint16_t bg);
// Blanks every cell of the next frame.
int tb_clear();
int tb_width();
int tb_height();
// UTF-8 text from cell (x, y) rightwards; clipped at the right edge, never wraps. Control
// characters and invalid bytes are drawn as a visible placeholder.
int tb_print(int x, int y, uint16_t fg, uint16_t bg, const char *text);
// Shows the frame.
int tb_present();
// Names the terminal window (its title) where the terminal takes one: its description has a
// status line (hs), an extended title string (TS), or xterm's title sequences (XT, or a TERM
// that begins with "xterm"); TB_ERR and nothing written elsewhere. tb_shutdown takes it away
// again.
int tb_set_title(const char *title);
// Zero-fills *event, then blocks for the next key or resize. Negative when the terminal is gone.
int tb_poll_event(tb_event *event);
// As tb_poll_event, but waits at most timeout_ms (0: not at all); TB_ERR_NO_EVENT when nothing
// came in that time.
int tb_peek_event(tb_event *event, int timeout_ms);
// The descriptors that become readable when input or a size change is waiting, for a caller
// that waits on other sources too; -1 where there are none (the test grid).
int tb_get_fds(int *ttyfd, int *resizefd);
