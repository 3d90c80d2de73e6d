#include <glib.h>

#include "catalog/builtin.h"
#include "catalog/catalog.h"

const BuiltinCategory builtin_categories[] = {
    {"Web Browser", {"text/html", "x-scheme-handler/http", "x-scheme-handler/https"}},
    {"File Manager", {"inode/directory"}},
    {"PDF Reader", {"application/pdf"}},
    {"Text Editor", {"text/plain"}},
    {"Code Editor",
     {"text/x-csrc", "text/x-python", "text/x-javascript", "application/x-shellscript"}},
    {"Image Viewer",
     {"image/jpeg", "image/png", "image/gif", "image/bmp", "image/webp", "image/svg+xml"}},
    {"Video Player",
     {"video/mp4", "video/x-matroska", "video/webm", "video/quicktime", "video/x-msvideo"}},
    {"Audio Player", {"audio/mpeg", "audio/ogg", "audio/wav", "audio/flac", "audio/aac"}},
    {"Mail Client", {"x-scheme-handler/mailto", "message/rfc822"}},
    {"Archive Manager",
     {"application/zip", "application/x-tar", "application/x-gzip", "application/x-bzip2",
      "application/x-7z-compressed", "application/x-rar"}},
    {"Torrent Client", {"application/x-bittorrent", "x-scheme-handler/magnet"}},
    {"Word Processor",
     {"application/vnd.openxmlformats-officedocument.wordprocessingml.document",
      "application/msword", "application/vnd.oasis.opendocument.text"}},
    {"Spreadsheet",
     {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
      "application/vnd.ms-excel", "application/vnd.oasis.opendocument.spreadsheet"}},
    {"Presentation",
     {"application/vnd.openxmlformats-officedocument.presentationml.presentation",
      "application/vnd.ms-powerpoint", "application/vnd.oasis.opendocument.presentation"}},
    {"", {}},
};

Category *category_new(const char *name) {
    auto c = g_new0(Category, 1);
    c->name = g_strdup(name);
    c->mime_types = g_new0(char *, 1);
    return c;
}

void category_free(void *category) {
    auto c = static_cast<Category *>(category);
    if (c == nullptr)
        return;
    g_free(c->name);
    g_strfreev(c->mime_types);
    g_free(c);
}

void category_append(Category *c, const char *type) {
    guint n = c->mime_types ? g_strv_length(c->mime_types) : 0;
    c->mime_types = g_renew(char *, c->mime_types, n + 2);
    c->mime_types[n] = g_strdup(type);
    c->mime_types[n + 1] = nullptr;
}
