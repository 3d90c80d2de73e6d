// One category of the catalogue: a display name standing for a list of MIME types.
#pragma once

struct Category {
    char *name;        // display name; also its key in the configuration file
    char **mime_types; // NULL-terminated, GLib-allocated so that it can grow with g_renew
};

// A zero-filled record with a copy of name. It takes types (a NULL-terminated vector from
// GLib's allocator) as its list, or starts with an empty list when types is NULL.
Category *category_new(const char *name, char **types = nullptr);
// Releases a record with its name and types; NULL is ignored.
void category_free(void *category);
// Appends a copy of type to the end of the category's list.
void category_append(Category *c, const char *type);
