// The printer: every kind of record the commands give, written as TSV and as JSON byte for byte
// as the commands print them.
#include <gtest/gtest.h>

#include "cli/record.h"

TEST(Record, EveryKindIsWrittenAsTheCommandsPrintIt) {
    const Record app{
        {record_text("id", "viewer.desktop", FIELD_IN_JSON),
         record_text("name", "Viewer", FIELD_IN_JSON),
         record_text_or_null("file", "/a/viewer.desktop", FIELD_IN_JSON),
         record_array("types",
                      {{{record_text("type", "image/png"), record_text("label", "png"),
                         record_flag("default", false)}},
                       {{record_text("type", "x-custom/thing"),
                         record_text("label", "x-custom/thing"), record_flag("default", true)}}})}};
    const Record why{
        {record_text("type", "image/png", FIELD_IN_JSON), record_null("default", FIELD_IN_JSON),
         record_object("decided_by",
                       {{record_text("file", "/c/mimeapps.list"),
                         record_text("group", "Default Applications")}},
                       FIELD_IN_JSON),
         record_array("lists", {}, FIELD_IN_JSON), record_flag("passed", true, FIELD_IN_JSON),
         record_array("text",
                      {{{record_text(nullptr, "image/png: no default")}},
                       {{record_text(nullptr, "  no list\tnames it")}}},
                      FIELD_IN_TSV)}};
    const struct {
        const char *what;
        std::vector<Record> records; // written with record_write, or the first alone
        bool one;
        std::string tsv;
        std::string json;
    } cases[] = {
        {"list: bare names",
         {{{record_text(nullptr, "Web Browser")}}, {{record_text(nullptr, "PDF Reader")}}},
         false,
         "Web Browser\nPDF Reader\n",
         "[\"Web Browser\",\"PDF Reader\"]\n"},
        {"list --types: columns",
         {{{record_text("type", "image/png"), record_text("label", "png")}}},
         false,
         "image/png\tpng\n",
         "[{\"type\":\"image/png\",\"label\":\"png\"}]\n"},
        {"show: a mark first, null as an empty column, outside text made plain or escaped",
         {{{record_text("id", "viewer.desktop"), record_text("name", "Viewer\x1b[31m\t"),
            record_text_or_null("file", nullptr), record_flag("default", true)}},
          {{record_text("id", "web.desktop"), record_text("name", "Web"),
            record_text_or_null("file", "/a/web.desktop"), record_flag("default", false)}}},
         false,
         "* viewer.desktop\tViewer\xef\xbf\xbd[31m\xef\xbf\xbd\t\n"
         "  web.desktop\tWeb\t/a/web.desktop\n",
         "[{\"id\":\"viewer.desktop\",\"name\":\"Viewer\\u001b[31m\\t\",\"file\":null,"
         "\"default\":true},{\"id\":\"web.desktop\",\"name\":\"Web\",\"file\":"
         "\"/a/web.desktop\",\"default\":false}]\n"},
        {"pins: a field in JSON only",
         {{{record_text("type", "text/html"), record_text("item", "Web Browser", FIELD_IN_JSON),
            record_text("pinned", "chromium.desktop"), record_text_or_null("current", nullptr),
            record_text("state", "changed")}}},
         false,
         "text/html\tchromium.desktop\t\tchanged\n",
         "[{\"type\":\"text/html\",\"item\":\"Web Browser\",\"pinned\":\"chromium.desktop\","
         "\"current\":null,\"state\":\"changed\"}]\n"},
        {"no records", {}, false, "", "[]\n"},
        {"app: one object; its text is the nested records",
         {app},
         true,
         "  image/png\tpng\n* x-custom/thing\tx-custom/thing\n",
         "{\"id\":\"viewer.desktop\",\"name\":\"Viewer\",\"file\":\"/a/viewer.desktop\","
         "\"types\":[{\"type\":\"image/png\",\"label\":\"png\",\"default\":false},"
         "{\"type\":\"x-custom/thing\",\"label\":\"x-custom/thing\",\"default\":true}]}\n"},
        {"why: objects, null and arrays in JSON; lines of text in TSV",
         {why, why},
         false,
         "image/png: no default\n  no list\xef\xbf\xbdnames it\n"
         "image/png: no default\n  no list\xef\xbf\xbdnames it\n",
         "[{\"type\":\"image/png\",\"default\":null,\"decided_by\":{\"file\":\"/c/mimeapps.list\","
         "\"group\":\"Default Applications\"},\"lists\":[],\"passed\":true},"
         "{\"type\":\"image/png\",\"default\":null,\"decided_by\":{\"file\":\"/c/mimeapps.list\","
         "\"group\":\"Default Applications\"},\"lists\":[],\"passed\":true}]\n"},
    };
    for (const auto &c : cases) {
        if (c.one) {
            EXPECT_EQ(record_write_one(c.records[0], false), c.tsv) << c.what;
            EXPECT_EQ(record_write_one(c.records[0], true), c.json) << c.what;
        } else {
            EXPECT_EQ(record_write(c.records, false), c.tsv) << c.what;
            EXPECT_EQ(record_write(c.records, true), c.json) << c.what;
        }
    }
}
