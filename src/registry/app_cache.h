// GIO's answers about applications kept between keys: each MIME type's candidates and default,
// asked once and held until the caller drops them (the registry or the settings changed).
#pragma once

#include <gio/gio.h>

#include "catalog/item.h"

struct AppCache;

AppCache *app_cache_new();
// Frees the cache and every reference it holds; NULL is allowed.
void app_cache_free(AppCache *cache);
// Forgets every answer, so that each is asked afresh; NULL is allowed.
void app_cache_drop(AppCache *cache);
// apps_candidates(item), asking GIO only about types it has not answered since the last drop.
GList *app_cache_candidates(AppCache *cache, const Item &item);
// The start of app_cache_candidates(item): at least rows applications where the whole list has
// them, asking GIO only about the item's first types that give them.
GList *app_cache_candidates_head(AppCache *cache, const Item &item, int rows);
// The current default of type, asked once since the last drop: borrowed from the cache, NULL
// for none.
GAppInfo *app_cache_default(AppCache *cache, const char *type);
// apps_defaults(item), likewise.
GList *app_cache_defaults(AppCache *cache, const Item &item);
// Asks GIO one question about the item that the cache cannot answer yet (a type's candidates
// or its default) and keeps the answer. False when every answer about the item is kept already.
bool app_cache_fill(AppCache *cache, const Item &item);
