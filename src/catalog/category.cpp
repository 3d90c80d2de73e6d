#include "catalog/category.h"

#include <glib.h>

Category *category_new(const char *name, char **types) {
    auto c = g_new0(Category, 1);
    c->name = g_strdup(name);
    c->mime_types = types != nullptr ? types : g_new0(char *, 1);
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
