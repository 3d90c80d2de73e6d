#include "settings/pins.h"

#include <algorithm>
#include <gio/gdesktopappinfo.h>

#include "registry/apps.h"
#include "settings/mimeapps.h"
#include "util/files.h"
#include "util/keyfile.h"
#include "util/paths.h"
#include "util/text.h"

namespace {

// One group per pinned MIME type, named by the type.
constexpr const char *PINS_KEY_APP = "app";
constexpr const char *PINS_KEY_ITEM = "item";

struct Pin {
    std::string type;
    std::string app_id;
    std::string item;
};

// The pins of a file's bytes; false when they do not parse.
bool parse_pins(const std::string &bytes, std::vector<Pin> *pins) {
    pins->clear();
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_data(kf, bytes.data(), bytes.size(), G_KEY_FILE_NONE, nullptr))
        return false;
    g_auto(GStrv) groups = g_key_file_get_groups(kf, nullptr);
    for (char **g = groups; *g != nullptr; g++) {
        g_autofree char *app = g_key_file_get_string(kf, *g, PINS_KEY_APP, nullptr);
        // A group without an application (a hand edit half done) pins nothing.
        if (app == nullptr || *app == '\0')
            continue;
        g_autofree char *item = g_key_file_get_string(kf, *g, PINS_KEY_ITEM, nullptr);
        pins->push_back({*g, app, item != nullptr ? item : *g});
    }
    return true;
}

std::optional<std::string> load_pins(std::vector<Pin> *pins) {
    pins->clear();
    std::string path = paths_pins();
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        return std::nullopt;
    std::optional<std::string> bytes = files_read(path.c_str());
    if (!bytes || !parse_pins(*bytes, pins))
        return path + " cannot be read";
    return std::nullopt;
}

// Adds the pins file, changed as edit says, to change; its comments, other keys and links stay.
// The reason when it cannot be written (why prefixes the refusal's own words).
template <typename Edit>
std::optional<std::string> edit_in_change(Change *change, Edit edit, const char *why = "") {
    std::string path = paths_pins();
    g_autofree char *dir = g_path_get_dirname(path.c_str());
    std::optional<std::string> refusal = files_make_folder(dir);
    if (!refusal)
        refusal = files_refusal(path.c_str());
    if (refusal)
        return *refusal + why;
    g_autoptr(GError) error = nullptr;
    std::optional<std::string> before = files_read(path.c_str());
    g_autoptr(GKeyFile) kf = keyfile_load_for_update(path.c_str(), &error);
    if (kf == nullptr)
        return std::string(error->message);
    edit(kf);
    gsize length = 0;
    g_autofree char *data = g_key_file_to_data(kf, &length, nullptr);
    change->files.push_back({path, before, std::string(data, length), false, false});
    return std::nullopt;
}

bool has_type(const std::vector<std::string> &types, const std::string &type) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

std::string name_of(const std::string &id) {
    g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(id.c_str());
    return app != nullptr ? g_app_info_get_name(G_APP_INFO(app)) : id;
}

} // namespace

std::optional<std::string> pins_status(std::vector<PinState> *pins) {
    pins->clear();
    std::vector<Pin> list;
    if (auto error = load_pins(&list))
        return error;
    for (const Pin &pin : list) {
        PinState state{pin.type, pin.item, pin.app_id, name_of(pin.app_id), "", "", false};
        g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(pin.type.c_str(), FALSE);
        if (now != nullptr) {
            state.current_id = apps_desktop_id(now);
            state.current_name = g_app_info_get_name(now);
        }
        state.held = state.current_id == pin.app_id;
        pins->push_back(std::move(state));
    }
    return std::nullopt;
}

std::vector<std::string> pins_of_item(const Item &item) {
    std::vector<Pin> pins;
    std::vector<std::string> out;
    load_pins(&pins);
    for (const char *type : item.types)
        for (const Pin &pin : pins)
            if (pin.type == type && !has_type(out, type))
                out.push_back(type);
    return out;
}

std::optional<std::string> pins_in_change(Change *change, const std::vector<std::string> &types,
                                          const ListText &settings, const PinRequest *request) {
    if (request == nullptr)
        return pins_in_change(change, types, settings, std::vector<PinRequest>{});
    return pins_in_change(change, types, settings, std::vector<PinRequest>{*request});
}

std::optional<std::string> pins_in_change(Change *change, const std::vector<std::string> &types,
                                          const ListText &settings,
                                          const std::vector<PinRequest> &requests) {
    std::vector<Pin> pins;
    load_pins(&pins); // a file that cannot be read holds no pin to move
    std::vector<std::pair<std::string, std::optional<std::string>>> moves;
    for (const Pin &pin : pins) {
        if (!has_type(types, pin.type))
            continue;
        std::optional<std::string> value =
            list_text_get(settings, MIMEAPPS_GROUPS[0], pin.type.c_str());
        std::optional<std::string> now = value ? mimeapps_first_installed(*value) : std::nullopt;
        if (!now || *now != pin.app_id)
            moves.emplace_back(pin.type, now);
    }
    if (moves.empty() && requests.empty())
        return std::nullopt;
    auto edit = [&](GKeyFile *kf) {
        for (const auto &[type, app] : moves) {
            if (app)
                g_key_file_set_string(kf, type.c_str(), PINS_KEY_APP, app->c_str());
            else
                g_key_file_remove_group(kf, type.c_str(), nullptr);
        }
        for (const PinRequest &request : requests)
            for (const auto &[type, app] : request.pins) {
                g_key_file_set_string(kf, type.c_str(), PINS_KEY_APP, app.c_str());
                g_key_file_set_string(kf, type.c_str(), PINS_KEY_ITEM, request.item.c_str());
            }
    };
    // A pin left behind would be put back over the user's own choice by the next restore.
    return edit_in_change(change, edit,
                          requests.empty() ? ", and a pinned type's pin would not follow" : "");
}

Outcome pins_pin(const Item &item) {
    const std::string failed = std::string("Failed to pin ") + item.name + ": ";
    std::vector<std::string> names;
    Change change{std::string("pin of ") + item.name, {}, {}, ""};
    auto make = [&](Change *c) -> std::optional<std::string> {
        PinRequest request{item.name, {}};
        std::vector<std::string> missing;
        names.clear();
        for (const char *type : item.types) {
            g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(type, FALSE);
            if (now == nullptr || *apps_desktop_id(now) == '\0') {
                missing.push_back(type);
                continue;
            }
            request.pins.emplace_back(type, apps_desktop_id(now));
            if (std::find(names.begin(), names.end(), g_app_info_get_name(now)) == names.end())
                names.push_back(g_app_info_get_name(now));
        }
        if (!missing.empty())
            return text_join(missing) + (missing.size() > 1 ? " have" : " has") +
                   " no default application";
        return pins_in_change(c, {}, ListText{}, &request);
    };
    if (auto error = change_run(&change, make, nullptr))
        return outcome_failed(failed + *error);
    Outcome done = outcome_ok(std::string("Pinned ") + item.name + " to " +
                              (names.size() == 1 ? names[0] : "its current defaults"));
    done.warning = change.recovered;
    return done;
}

Outcome pins_unpin(const Item &item) {
    const std::string failed = std::string("Failed to unpin ") + item.name + ": ";
    std::vector<std::string> pinned;
    Change change{std::string("unpin of ") + item.name, {}, {}, ""};
    auto make = [&](Change *c) -> std::optional<std::string> {
        pinned = pins_of_item(item);
        if (pinned.empty())
            return std::nullopt;
        return edit_in_change(c, [&](GKeyFile *kf) {
            for (const std::string &type : pinned)
                g_key_file_remove_group(kf, type.c_str(), nullptr);
        });
    };
    if (auto error = change_run(&change, make, nullptr))
        return outcome_failed(failed + *error);
    Outcome done = outcome_ok(pinned.empty() ? std::string("Nothing pinned for ") + item.name
                                             : std::string("Unpinned ") + item.name);
    done.warning = change.recovered;
    return done;
}
