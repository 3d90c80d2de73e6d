#include "appdb/paths.h"

#include <glib.h>

#include "appdb/journal.h"
#include "appdb/mimeapps.h"
#include "appdb/pins.h"
#include "catalog/config.h"

std::vector<UsedFile> paths_used() {
    g_autofree char *catalogue = config_path();
    return {
        {catalogue, "the catalogue of categories and MIME types"},
        {mimeapps_user_path(), "the default applications (through GIO)"},
        {journal_path(), "the undo journal"},
        {pins_path(), "the pins: MIME types held to their application"},
        {"/etc/mime.types, /usr/share/mime/globs2, /usr/share/mime/globs",
         "extension labels (read only)"},
    };
}
