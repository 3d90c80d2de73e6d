// Writes a real frame of quarve, run against a fixed set of synthetic applications, as SVG.
// Usage: quarve_screenshot QUARVE_BINARY OUTPUT.svg
#include <cstdio>
#include <string>

#include "pty_screen.h"
#include "svg.h"
#include "xdg_env.h"

namespace {

constexpr int SHOT_ROWS = 22;
constexpr int SHOT_COLS = 130;

void add_demo_apps(XdgEnv &env) {
    const std::vector<std::string> web = {"text/html", "x-scheme-handler/http",
                                          "x-scheme-handler/https"};
    env.add_app("firefox-esr", "Firefox ESR", web);
    env.add_app("chromium", "Chromium", web);
    env.add_app("org.gnome.Epiphany", "Web", web);
    env.add_app("org.gnome.Nautilus", "Files", {"inode/directory"});
    env.add_app("org.gnome.Evince", "Document Viewer", {"application/pdf"});
    env.add_app("org.gnome.TextEditor", "Text Editor", {"text/plain", "text/x-csrc"});
    env.add_app("vim", "Vim", {"text/plain", "text/x-csrc", "text/x-python"});
    env.add_app("org.gnome.eog", "Image Viewer", {"image/png", "image/jpeg", "image/gif"});
    env.add_app("gimp", "GNU Image Manipulation Program", {"image/png", "image/jpeg"});
    env.add_app("mpv", "mpv Media Player", {"video/mp4", "video/webm", "audio/mpeg"});
    env.add_app("vlc", "VLC media player", {"video/mp4", "audio/mpeg", "audio/ogg"});
    env.add_app("thunderbird", "Thunderbird", {"x-scheme-handler/mailto", "message/rfc822"});
    env.register_apps();
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s QUARVE_BINARY OUTPUT.svg\n", argv[0]);
        return 2;
    }
    // A fixed folder, so the desktop-file paths on the picture are the same on every run.
    XdgEnv env("/tmp/quarve-demo");
    add_demo_apps(env);
    PtyScreen screen(argv[1], SHOT_ROWS, SHOT_COLS);
    if (!screen.wait_text("Presentation")) {
        fprintf(stderr, "quarve did not draw its first frame\n");
        return 1;
    }
    // Focus the application pane, pick Chromium and make it the default web browser.
    screen.send("\t\033[B\r");
    if (!screen.wait_text("is now default for Web Browser")) {
        fprintf(stderr, "the assignment did not show\n");
        return 1;
    }
    std::string svg = screen_to_svg(screen, SHOT_ROWS, SHOT_COLS);
    screen.send("q");
    screen.wait_exit();
    FILE *out = fopen(argv[2], "w");
    if (out == nullptr || fwrite(svg.data(), 1, svg.size(), out) != svg.size()) {
        fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    fclose(out);
    return 0;
}
