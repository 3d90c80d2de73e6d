// The least a program can do to show the first category's applications: ask GIO, for each of
// its MIME types, for all applications and for the default, and print one row per application
// where the full-screen program would draw it. It then waits, as that program does for a key.
#include <cstdio>
#include <gio/gdesktopappinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "catalog/builtin.h"

int main() {
    winsize ws{};
    ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws);
    int rows = ws.ws_row - 6; // the full-screen program's list rows: from row 4 to h - 3
    const BuiltinCategory &c = builtin_categories[0];
    GList *all = nullptr;
    GList *defaults = nullptr;
    for (int i = 0; i < BUILTIN_TYPE_SLOTS && c.mime_types[i] != nullptr; i++) {
        all = g_list_concat(all, g_app_info_get_all_for_type(c.mime_types[i]));
        if (GAppInfo *d = g_app_info_get_default_for_type(c.mime_types[i], FALSE))
            defaults = g_list_prepend(defaults, d);
    }
    printf("\n\n\n\n");
    int r = 0;
    for (GList *l = all; l != nullptr && r < rows; l = l->next, r++) {
        auto app = G_APP_INFO(l->data);
        bool marked = false;
        for (GList *d = defaults; d != nullptr; d = d->next)
            marked = marked || g_app_info_equal(app, G_APP_INFO(d->data));
        printf("%s %s %s\n", marked ? "*" : " ", g_app_info_get_name(app),
               g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(app)));
    }
    fflush(stdout);
    pause();
    g_list_free_full(all, g_object_unref);
    g_list_free_full(defaults, g_object_unref);
    return 0;
}
