// A small JSON writer for the command line's --json output: valid JSON whatever bytes it is given.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The document being written. Values go where the last begun object or array is; in an
// object, json_key comes before each value.
struct Json {
    std::string out;
    std::vector<bool> started; // per open object or array: a value was written in it already
    bool after_key = false;
};

void json_begin_object(Json *j);
void json_end_object(Json *j);
void json_begin_array(Json *j);
void json_end_array(Json *j);
void json_key(Json *j, std::string_view key);
// A string; bytes that are not UTF-8 become U+FFFD, control characters are escaped.
void json_string(Json *j, std::string_view value);
// A string, or null for NULL.
void json_string_or_null(Json *j, const char *value);
void json_null(Json *j);
void json_bool(Json *j, bool value);
void json_int(Json *j, long long value);
