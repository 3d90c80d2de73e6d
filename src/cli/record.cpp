// The records a command prints and their two forms: TSV lines and one JSON document.
#include "cli/record.h"

#include <cstdio>
#include <glib.h>

#include "term/cells.h"
#include "util/json.h"

namespace {

bool in_tsv(const Field &f) {
    return f.in != FIELD_IN_JSON;
}

bool in_json(const Field &f) {
    return f.in != FIELD_IN_TSV;
}

void tsv_lines(const Record &record, std::string *out) {
    std::string marks;
    std::vector<std::string> columns;
    for (const Field &f : record.fields) {
        if (!in_tsv(f))
            continue;
        if (f.kind == FIELD_FLAG)
            marks += f.flag ? "* " : "  ";
        else if (f.kind == FIELD_TEXT || f.kind == FIELD_NULL)
            columns.push_back(record_plain(f.text.c_str()));
    }
    if (!marks.empty() || !columns.empty()) {
        *out += marks;
        for (size_t i = 0; i < columns.size(); i++)
            *out += (i > 0 ? "\t" : "") + columns[i];
        *out += '\n';
    }
    for (const Field &f : record.fields)
        if (in_tsv(f) && (f.kind == FIELD_OBJECT || f.kind == FIELD_ARRAY))
            for (const Record &r : f.records)
                tsv_lines(r, out);
}

void json_value(Json *j, const Field &f);

void json_record(Json *j, const Record &record) {
    // A record of one nameless value is that value, as list gives the category names.
    if (record.fields.size() == 1 && record.fields[0].name == nullptr) {
        json_value(j, record.fields[0]);
        return;
    }
    json_begin_object(j);
    for (const Field &f : record.fields) {
        if (!in_json(f))
            continue;
        json_key(j, f.name);
        json_value(j, f);
    }
    json_end_object(j);
}

void json_value(Json *j, const Field &f) {
    switch (f.kind) {
    case FIELD_TEXT:
        json_string(j, f.text);
        break;
    case FIELD_NULL:
        json_null(j);
        break;
    case FIELD_FLAG:
        json_bool(j, f.flag);
        break;
    case FIELD_OBJECT:
        json_record(j, f.records.at(0));
        break;
    case FIELD_ARRAY:
        json_begin_array(j);
        for (const Record &r : f.records)
            json_record(j, r);
        json_end_array(j);
        break;
    }
}

} // namespace

Field record_text(const char *name, std::string_view text, FieldIn in) {
    return {name, FIELD_TEXT, in, std::string(text), false, {}};
}

Field record_null(const char *name, FieldIn in) {
    return {name, FIELD_NULL, in, {}, false, {}};
}

Field record_text_or_null(const char *name, const char *text, FieldIn in) {
    return text == nullptr ? record_null(name, in) : record_text(name, text, in);
}

Field record_flag(const char *name, bool flag, FieldIn in) {
    return {name, FIELD_FLAG, in, {}, flag, {}};
}

Field record_object(const char *name, Record record, FieldIn in) {
    return {name, FIELD_OBJECT, in, {}, false, {std::move(record)}};
}

Field record_array(const char *name, std::vector<Record> records, FieldIn in) {
    return {name, FIELD_ARRAY, in, {}, false, std::move(records)};
}

std::string record_write(const std::vector<Record> &records, bool json) {
    if (json)
        return record_write_one({{record_array(nullptr, records)}}, true);
    std::string out;
    for (const Record &r : records)
        tsv_lines(r, &out);
    return out;
}

std::string record_write_one(const Record &record, bool json) {
    if (!json) {
        std::string out;
        tsv_lines(record, &out);
        return out;
    }
    Json j;
    json_record(&j, record);
    return j.out + "\n";
}

void record_print(const std::vector<Record> &records, bool json) {
    std::string out = record_write(records, json);
    fwrite(out.data(), 1, out.size(), stdout);
}

void record_print_one(const Record &record, bool json) {
    std::string out = record_write_one(record, json);
    fwrite(out.data(), 1, out.size(), stdout);
}

std::string record_plain(const char *text) {
    std::string out;
    TermCell cell;
    char utf8[8];
    while (cells_next(&text, &cell)) {
        out.append(utf8, static_cast<size_t>(g_unichar_to_utf8(cell.ch, utf8)));
        for (int i = 0; i < cell.nmarks; i++)
            out.append(utf8, static_cast<size_t>(g_unichar_to_utf8(cell.marks[i], utf8)));
    }
    return out;
}
