#include "catalog/type_text.h"

#include <gio/gio.h>
#include <string_view>

namespace {

// The characters a MIME type's two names may hold (RFC 6838 restricted names).
bool type_char(char c) {
    return g_ascii_isalnum(c) || std::string_view("!#$&-^_.+").find(c) != std::string_view::npos;
}

// A name begins with a letter or a digit, so that "./x" or "../x" is never a type.
bool type_name(std::string_view name) {
    if (name.empty() || !g_ascii_isalnum(name[0]))
        return false;
    for (char c : name)
        if (!type_char(c))
            return false;
    return true;
}

} // namespace

bool type_text_is_mime_type(const char *text) {
    std::string_view t(text);
    size_t slash = t.find('/');
    return slash != std::string_view::npos && type_name(t.substr(0, slash)) &&
           type_name(t.substr(slash + 1));
}

char *type_text_resolve(const char *text) {
    if (std::string_view(text).find('/') != std::string_view::npos)
        return type_text_is_mime_type(text) ? g_strdup(text) : nullptr;
    if (text[0] == '\0')
        return nullptr;
    g_autofree char *file = text[0] == '.' ? g_strdup(text) : g_strdup_printf(".%s", text);
    gboolean uncertain = FALSE;
    g_autofree char *content = g_content_type_guess(file, nullptr, 0, &uncertain);
    // An extension the database does not know comes back as the generic unknown type; that
    // is no type at all, or one application would become the default for every unknown file.
    if (content == nullptr || (uncertain && g_content_type_is_unknown(content)))
        return nullptr;
    return g_content_type_get_mime_type(content);
}
