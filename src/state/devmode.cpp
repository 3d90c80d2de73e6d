#include "state/devmode.h"

#include <cstdlib>

#include "state/state.h"
#include "util/text.h"

namespace {

constexpr int32_t DEV_DEFAULT_COUNT = 10;
constexpr size_t DEV_LABEL_CAP = 64;

} // namespace

int32_t dev_parse_count(const char *value) {
    // strtoll skips leading blanks, takes a sign and stops at the first non-digit; a value
    // beyond its range saturates, and the cap below then applies.
    char *end = nullptr;
    long long n = strtoll(value, &end, 10);
    if (end == value || n < 1)
        return DEV_DEFAULT_COUNT;
    return n > DEV_MAX_COUNT ? DEV_MAX_COUNT : static_cast<int32_t>(n);
}

void dev_read_env(AppState *s) {
    const char *value = g_getenv("QUARVE_DEV");
    if (value == nullptr)
        return;
    s->dev_mode = 1;
    s->dev_count = dev_parse_count(value);
}

const char *dev_label(int32_t index) {
    static char label[DEV_LABEL_CAP];
    text_format(label, sizeof label, "Dev Category %d", index + 1);
    return label;
}

void dev_apps_reload(AppState *s) {
    GList *list = nullptr;
    for (int32_t i = s->dev_count; i >= 1; i--)
        list = g_list_prepend(list, g_strdup_printf("Dev Application %d.%d", s->selected + 1, i));
    s->apps = list;
}
