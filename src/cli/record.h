// What a command prints, as records, and the one printer that writes them as TSV or as JSON.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum FieldKind : uint8_t {
    FIELD_TEXT,
    FIELD_NULL,   // JSON null; an empty column in TSV
    FIELD_FLAG,   // JSON true or false; in TSV the mark "* " or "  " that begins the line
    FIELD_OBJECT, // one record, a JSON object
    FIELD_ARRAY,  // records, a JSON array
};

// Which of the two forms show a field.
enum FieldIn : uint8_t {
    FIELD_IN_BOTH,
    FIELD_IN_JSON,
    FIELD_IN_TSV,
};

struct Record;

struct Field {
    const char *name; // the JSON key; NULL for a record that is this one value
    FieldKind kind;
    FieldIn in;
    std::string text;
    bool flag;
    std::vector<Record> records; // FIELD_OBJECT: exactly one
};

// In TSV a record is one line: the marks of its flags, then its text and null fields separated
// by tabs (no line when it has neither); the records nested in it follow, a line each.
struct Record {
    std::vector<Field> fields;
};

Field record_text(const char *name, std::string_view text, FieldIn in = FIELD_IN_BOTH);
Field record_null(const char *name, FieldIn in = FIELD_IN_BOTH);
// A text, or null for NULL.
Field record_text_or_null(const char *name, const char *text, FieldIn in = FIELD_IN_BOTH);
Field record_flag(const char *name, bool flag, FieldIn in = FIELD_IN_BOTH);
Field record_object(const char *name, Record record, FieldIn in = FIELD_IN_BOTH);
Field record_array(const char *name, std::vector<Record> records, FieldIn in = FIELD_IN_BOTH);

// The records as TSV lines, or as one JSON array on a line.
std::string record_write(const std::vector<Record> &records, bool json);
// One record as its TSV lines, or as one JSON object on a line.
std::string record_write_one(const Record &record, bool json);
// record_write and record_write_one on standard output.
void record_print(const std::vector<Record> &records, bool json);
void record_print_one(const Record &record, bool json);

// Text from files and desktop entries as the screen shows it: control characters and bytes
// that are not UTF-8 become U+FFFD, so that output stays plain text and tab-separated.
std::string record_plain(const char *text);
