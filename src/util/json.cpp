#include "util/json.h"

#include <glib.h>

namespace {

// A comma before every value but the first of its object or array; none right after a key.
void separate(Json *j) {
    if (j->after_key) {
        j->after_key = false;
        return;
    }
    if (!j->started.empty()) {
        if (j->started.back())
            j->out += ',';
        j->started.back() = true;
    }
}

void quote(std::string *out, std::string_view text) {
    g_autofree char *valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    *out += '"';
    for (const char *p = valid; *p != '\0'; p++) {
        auto c = static_cast<unsigned char>(*p);
        switch (c) {
        case '"':
            *out += "\\\"";
            break;
        case '\\':
            *out += "\\\\";
            break;
        case '\n':
            *out += "\\n";
            break;
        case '\t':
            *out += "\\t";
            break;
        default: {
            // C0, DEL and the C1 controls (U+0080 to U+009F, 0xC2 and a second byte below 0xA0
            // in UTF-8): none reaches a terminal that shows the document.
            unsigned code = c;
            if (c == 0xc2 && static_cast<unsigned char>(p[1]) >= 0x80 &&
                static_cast<unsigned char>(p[1]) < 0xa0)
                code = static_cast<unsigned char>(*++p);
            if (code < 0x20 || (code >= 0x7f && code < 0xa0)) {
                char esc[8];
                g_snprintf(esc, sizeof esc, "\\u%04x", code);
                *out += esc;
            } else {
                *out += static_cast<char>(c);
            }
        }
        }
    }
    *out += '"';
}

} // namespace

void json_begin_object(Json *j) {
    separate(j);
    j->out += '{';
    j->started.push_back(false);
}

void json_end_object(Json *j) {
    j->out += '}';
    j->started.pop_back();
}

void json_begin_array(Json *j) {
    separate(j);
    j->out += '[';
    j->started.push_back(false);
}

void json_end_array(Json *j) {
    j->out += ']';
    j->started.pop_back();
}

void json_key(Json *j, std::string_view key) {
    separate(j);
    quote(&j->out, key);
    j->out += ':';
    j->after_key = true;
}

void json_string(Json *j, std::string_view value) {
    separate(j);
    quote(&j->out, value);
}

void json_string_or_null(Json *j, const char *value) {
    if (value == nullptr)
        json_null(j);
    else
        json_string(j, value);
}

void json_null(Json *j) {
    separate(j);
    j->out += "null";
}

void json_bool(Json *j, bool value) {
    separate(j);
    j->out += value ? "true" : "false";
}

void json_int(Json *j, long long value) {
    separate(j);
    j->out += std::to_string(value);
}
