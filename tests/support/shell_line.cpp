#include "shell_line.h"

#include <glib.h>
#include <sys/wait.h>

ShellSaid shell_line(const char *binary, const std::string &line) {
    std::string script = std::string("q() { '") + binary + "' \"$@\"; }; " + line;
    const char *argv[] = {"sh", "-c", script.c_str(), nullptr};
    g_autofree char *out = nullptr;
    g_autofree char *err = nullptr;
    int wait = 0;
    g_spawn_sync(nullptr, const_cast<char **>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr,
                 &out, &err, &wait, nullptr);
    return {WIFEXITED(wait) ? WEXITSTATUS(wait) : -1,
            std::string(out ? out : "") + (err ? err : "")};
}
