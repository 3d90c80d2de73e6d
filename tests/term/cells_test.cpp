#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "term/cells.h"

namespace {

std::vector<TermCell> decode(const char *text) {
    std::vector<TermCell> out;
    TermCell c;
    while (cells_next(&text, &c))
        out.push_back(c);
    return out;
}

std::vector<uint32_t> chars(const char *text) {
    std::vector<uint32_t> out;
    for (const auto &c : decode(text))
        out.push_back(c.ch);
    return out;
}

} // namespace

TEST(Cells, ControlsAndEscapesBecomePlaceholders) {
    // An escape sequence that would retitle the terminal, a C1 CSI, DEL, a tab and a newline.
    EXPECT_EQ(chars("\x1b]0;pwned\x07"),
              (std::vector<uint32_t>{0xFFFD, ']', '0', ';', 'p', 'w', 'n', 'e', 'd', 0xFFFD}));
    EXPECT_EQ(chars("a\xc2\x9b"
                    "2J\x7f\t\n"),
              (std::vector<uint32_t>{'a', 0xFFFD, '2', 'J', 0xFFFD, 0xFFFD, 0xFFFD}));
    EXPECT_EQ(chars("x\xe2\x80\xa8y"), (std::vector<uint32_t>{'x', 0xFFFD, 'y'}));
}

TEST(Cells, InvalidUtf8IsReplacedWithoutReadingPastTheEnd) {
    // A lead byte cut by the end of the string, a stray continuation byte, an overlong form,
    // an encoded surrogate and a code point past U+10FFFF.
    std::string cut = "ab\xe2\x82";
    EXPECT_EQ(chars(cut.c_str()), (std::vector<uint32_t>{'a', 'b', 0xFFFD, 0xFFFD}));
    EXPECT_EQ(chars("\x80z"), (std::vector<uint32_t>{0xFFFD, 'z'}));
    EXPECT_EQ(chars("\xc0\xaf"), (std::vector<uint32_t>{0xFFFD, 0xFFFD}));
    EXPECT_EQ(chars("\xed\xa0\x80").front(), 0xFFFDu);
    EXPECT_EQ(chars("\xf4\x90\x80\x80").front(), 0xFFFDu);
    EXPECT_EQ(chars("\xe2\x82\xac"), (std::vector<uint32_t>{0x20AC}));
}

TEST(Cells, WidthsAndCombiningMarks) {
    auto cells = decode("日a");
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].width, 2);
    EXPECT_EQ(cells[1].width, 1);
    // e followed by a combining acute accent is one cell.
    cells = decode("e\xcc\x81x");
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].ch, static_cast<uint32_t>('e'));
    ASSERT_EQ(cells[0].nmarks, 1);
    EXPECT_EQ(cells[0].marks[0], 0x301u);
    // A direction override is dropped rather than passed to the terminal.
    EXPECT_EQ(chars("a\xe2\x80\xae"
                    "b"),
              (std::vector<uint32_t>{'a', 'b'}));
}
