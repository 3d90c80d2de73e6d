#include "appdb/pins.h"

#include <algorithm>
#include <gio/gdesktopappinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include "appdb/mimeapps.h"
#include "appdb/turn.h"
#include "util/files.h"
#include "util/keyfile.h"
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

std::optional<std::string> load_pins(std::vector<Pin> *pins) {
    pins->clear();
    std::string path = pins_path();
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        return std::nullopt;
    g_autoptr(GKeyFile) kf = g_key_file_new();
    if (!g_key_file_load_from_file(kf, path.c_str(), G_KEY_FILE_NONE, nullptr))
        return path + " cannot be read";
    g_auto(GStrv) groups = g_key_file_get_groups(kf, nullptr);
    for (char **g = groups; *g != nullptr; g++) {
        g_autofree char *app = g_key_file_get_string(kf, *g, PINS_KEY_APP, nullptr);
        // A group without an application (a hand edit half done) pins nothing.
        if (app == nullptr || *app == '\0')
            continue;
        g_autofree char *item = g_key_file_get_string(kf, *g, PINS_KEY_ITEM, nullptr);
        pins->push_back({*g, app, item != nullptr ? item : *g});
    }
    return std::nullopt;
}

// Changes the pins file as edit says, keeping its comments, other keys and links. The reason
// when the file could not be written.
template <typename Edit> std::optional<std::string> edit_pins(Edit edit) {
    std::string path = pins_path();
    g_autofree char *dir = g_path_get_dirname(path.c_str());
    g_mkdir_with_parents(dir, 0755);
    g_autoptr(GError) error = nullptr;
    g_autoptr(GKeyFile) kf = keyfile_load_for_update(path.c_str(), &error);
    if (kf == nullptr)
        return std::string(error->message);
    edit(kf);
    gsize length = 0;
    g_autofree char *data = g_key_file_to_data(kf, &length, nullptr);
    if (!files_replace(path.c_str(), data, length, &error))
        return std::string(error->message);
    return std::nullopt;
}

bool has_type(const std::vector<std::string> &types, const std::string &type) {
    return std::find(types.begin(), types.end(), type) != types.end();
}

std::string name_of(const std::string &id) {
    g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(id.c_str());
    return app != nullptr ? g_app_info_get_name(G_APP_INFO(app)) : id;
}

// The application GIO takes from the user's Default Applications value of type in settings:
// the first one installed (the first one named when none is). nullopt without a value.
std::optional<std::string> user_default(const std::string &settings, const char *type) {
    MimeappsEntry entry = mimeapps_entry(settings, type);
    const auto &value = entry.values[0];
    if (!value)
        return std::nullopt;
    g_auto(GStrv) ids = g_strsplit(value->c_str(), ";", -1);
    std::optional<std::string> first;
    for (char **id = ids; *id != nullptr; id++) {
        if (**id == '\0')
            continue;
        g_autoptr(GDesktopAppInfo) app = g_desktop_app_info_new(*id);
        if (app != nullptr)
            return std::string(*id);
        if (!first)
            first = *id;
    }
    return first;
}

// The desktop ID of app, or "" for one without.
const char *desktop_id(GAppInfo *app) {
    const char *id = g_app_info_get_id(app);
    return id ? id : "";
}

} // namespace

std::string pins_path() {
    g_autofree char *path =
        g_build_filename(g_get_user_config_dir(), "quarve", "pins.ini", nullptr);
    return path;
}

std::optional<std::string> pins_status(std::vector<PinState> *pins) {
    pins->clear();
    std::vector<Pin> list;
    if (auto error = load_pins(&list))
        return error;
    for (const Pin &pin : list) {
        PinState state{pin.type, pin.item, pin.app_id, name_of(pin.app_id), "", "", false};
        g_autoptr(GAppInfo) now = g_app_info_get_default_for_type(pin.type.c_str(), FALSE);
        if (now != nullptr) {
            state.current_id = desktop_id(now);
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

Outcome pins_pin(const Item &item, GAppInfo *app) {
    const std::string failed = std::string("Failed to pin ") + item.name + ": ";
    Turn turn;
    if (auto busy = take_turn(&turn))
        return outcome_failed(failed + *busy);
    std::vector<std::string> ids, names, missing;
    for (const char *type : item.types) {
        g_autoptr(GAppInfo) now = app != nullptr ? G_APP_INFO(g_object_ref(app))
                                                 : g_app_info_get_default_for_type(type, FALSE);
        if (now == nullptr || *desktop_id(now) == '\0') {
            missing.push_back(type);
            continue;
        }
        ids.push_back(desktop_id(now));
        if (std::find(names.begin(), names.end(), g_app_info_get_name(now)) == names.end())
            names.push_back(g_app_info_get_name(now));
    }
    if (!missing.empty())
        return outcome_failed(failed + text_join(missing) +
                              (missing.size() > 1 ? " have" : " has") + " no default application");
    auto set = [&](GKeyFile *kf) {
        for (size_t i = 0; i < ids.size(); i++) {
            g_key_file_set_string(kf, item.types[i], PINS_KEY_APP, ids[i].c_str());
            g_key_file_set_string(kf, item.types[i], PINS_KEY_ITEM, item.name);
        }
    };
    if (auto error = edit_pins(set))
        return outcome_failed(failed + *error);
    return outcome_ok(std::string("Pinned ") + item.name + " to " +
                      (names.size() == 1 ? names[0] : "its current defaults"));
}

Outcome pins_unpin(const Item &item) {
    Turn turn;
    if (auto busy = take_turn(&turn))
        return outcome_failed(std::string("Failed to unpin ") + item.name + ": " + *busy);
    std::vector<std::string> pinned = pins_of_item(item);
    if (pinned.empty())
        return outcome_ok(std::string("Nothing pinned for ") + item.name);
    auto remove = [&](GKeyFile *kf) {
        for (const std::string &type : pinned)
            g_key_file_remove_group(kf, type.c_str(), nullptr);
    };
    if (auto error = edit_pins(remove))
        return outcome_failed(std::string("Failed to unpin ") + item.name + ": " + *error);
    return outcome_ok(std::string("Unpinned ") + item.name);
}

std::optional<std::string> pins_refusal(const std::vector<std::string> &types) {
    std::vector<Pin> pins;
    if (load_pins(&pins))
        return std::nullopt; // a file that cannot be read holds no pin to move
    bool pinned = std::any_of(pins.begin(), pins.end(),
                              [&](const Pin &pin) { return has_type(types, pin.type); });
    if (!pinned)
        return std::nullopt;
    // As the write itself would judge it: a file or a folder the user made read-only is a no.
    g_autofree char *target = files_link_target(pins_path().c_str());
    if (target == nullptr)
        return pins_path() + " cannot be written, and a pinned type's pin would not follow";
    g_autofree char *folder = g_path_get_dirname(target);
    struct stat st;
    for (const char *path : {static_cast<const char *>(target), static_cast<const char *>(folder)})
        if (stat(path, &st) != 0 || (st.st_mode & 0222) == 0 || access(path, W_OK) != 0)
            return std::string(path) + " is read-only, and a pinned type's pin would not follow";
    return std::nullopt;
}

std::string pins_follow(const std::vector<std::string> &types, const std::string &settings) {
    std::vector<Pin> pins;
    if (load_pins(&pins))
        return "";
    std::vector<std::pair<std::string, std::optional<std::string>>> moves;
    for (const Pin &pin : pins) {
        if (!has_type(types, pin.type))
            continue;
        std::optional<std::string> now = user_default(settings, pin.type.c_str());
        if (!now || *now != pin.app_id)
            moves.emplace_back(pin.type, now);
    }
    if (moves.empty())
        return "";
    auto move = [&](GKeyFile *kf) {
        for (const auto &[type, app] : moves) {
            if (app)
                g_key_file_set_string(kf, type.c_str(), PINS_KEY_APP, app->c_str());
            else
                g_key_file_remove_group(kf, type.c_str(), nullptr);
        }
    };
    auto error = edit_pins(move);
    return error ? "the pins could not follow: " + *error : "";
}
