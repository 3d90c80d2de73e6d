#include <cstring>
#include <glib.h>
#include <gtest/gtest.h>
#include <string>

#include "util/json.h"
#include "util/text.h"

TEST(Text, FormatCutsOnACharacterBoundary) {
    std::string name;
    for (int i = 0; i < 130; i++)
        name += "é";
    // An application row: "* " and 126 two-byte characters make 254 bytes; the next
    // character would need bytes 254 and 255, so it is left out whole.
    char row[256];
    text_format(row, sizeof row, "%s %s", "*", name.c_str());
    EXPECT_EQ(strlen(row), 254u);
    EXPECT_TRUE(g_utf8_validate(row, -1, nullptr));
    // An ASCII text fills the buffer to its last byte.
    char small[8];
    text_format(small, sizeof small, "%s", "abcdefghij");
    EXPECT_STREQ(small, "abcdefg");
    // A four-byte character that does not fit is dropped, not split.
    text_format(small, sizeof small, "abcd%s", "😀");
    EXPECT_STREQ(small, "abcd");
}

TEST(Text, LastCharacterLength) {
    EXPECT_EQ(text_last_char_len("", 0), 0u);
    EXPECT_EQ(text_last_char_len("ab", 2), 1u);
    EXPECT_EQ(text_last_char_len("aé", 3), 2u);
    EXPECT_EQ(text_last_char_len("a日", 4), 3u);
    EXPECT_EQ(text_last_char_len("a😀", 5), 4u);
    EXPECT_EQ(text_last_char_len("a\xa9", 2), 1u) << "a stray byte goes alone";
}

TEST(Text, FoldingCopesWithInvalidUtf8) {
    g_autofree char *folded = text_fold("ABC\xc3");
    EXPECT_TRUE(g_utf8_validate(folded, -1, nullptr));
    EXPECT_EQ(std::string(folded).rfind("abc", 0), 0u);
    g_autofree char *sharp = text_fold("STRASSE");
    g_autofree char *eszett = text_fold("straße");
    EXPECT_STREQ(sharp, eszett);
}

TEST(Json, AnyBytesGiveValidJson) {
    Json j;
    json_begin_array(&j);
    json_begin_object(&j);
    json_key(&j, "name");
    json_string(&j, "Bad \xff\x1b[31m \"q\" \\ \n");
    json_key(&j, "file");
    json_string_or_null(&j, nullptr);
    json_key(&j, "declared");
    json_bool(&j, true);
    json_end_object(&j);
    json_int(&j, 3);
    json_end_array(&j);
    EXPECT_EQ(j.out, "[{\"name\":\"Bad \xef\xbf\xbd\\u001b[31m \\\"q\\\" \\\\ \\n\",\"file\":null,"
                     "\"declared\":true},3]");
}
