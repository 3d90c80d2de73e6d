#include "readback.h"

#include <algorithm>

#include "settings/mimeapps.h"

std::string default_for(const char *type) {
    g_autoptr(GAppInfo) app = g_app_info_get_default_for_type(type, FALSE);
    return app ? g_app_info_get_id(app) : "";
}

std::vector<std::string> keys_of(const std::string &bytes) {
    g_autoptr(GKeyFile) kf = g_key_file_new();
    g_key_file_load_from_data(kf, bytes.data(), bytes.size(), G_KEY_FILE_NONE, nullptr);
    std::vector<std::string> out;
    for (const char *group : MIMEAPPS_GROUPS) {
        g_auto(GStrv) keys = g_key_file_get_keys(kf, group, nullptr, nullptr);
        for (char **k = keys; k && *k; k++) {
            g_autofree char *v = g_key_file_get_value(kf, group, *k, nullptr);
            out.push_back(std::string(group) + "/" + *k + "=" + v);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::string link_of(const std::string &path) {
    g_autofree char *link = g_file_read_link(path.c_str(), nullptr);
    return link ? link : "(not a link)";
}

std::vector<std::string> app_names(GList *apps) {
    std::vector<std::string> out;
    for (GList *l = apps; l != nullptr; l = l->next)
        out.push_back(g_app_info_get_name(G_APP_INFO(l->data)));
    return out;
}

::testing::AssertionResult outcome_is(const Outcome &outcome, bool ok, const std::string &message) {
    if (outcome.ok == ok && outcome.message == message && outcome.warning.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "the outcome is " << (outcome.ok ? "ok" : "failed") << " with \"" << outcome.message
           << "\"" << (outcome.warning.empty() ? "" : " and warning \"" + outcome.warning + "\"")
           << "; expected " << (ok ? "ok" : "failed") << " with \"" << message << "\"";
}
