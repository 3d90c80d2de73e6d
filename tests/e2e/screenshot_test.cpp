// The screenshot renderer on a real frame: exact text, colours and weight per cell run.
#include <gtest/gtest.h>

#include "pty_screen.h"
#include "svg.h"
#include "xdg_env.h"

TEST(Screenshot, SvgHoldsTheFrameWithItsColours) {
    XdgEnv env;
    env.add_app("alpha", "Alpha & <Co>", {"text/html"});
    env.register_apps();
    PtyScreen t(QUARVE_BINARY, 12, 100);
    ASSERT_TRUE(t.wait_text("Alpha"));
    std::string svg = screen_to_svg(t, 12, 100);
    t.send("q");
    EXPECT_EQ(t.wait_exit(), 0);
    EXPECT_EQ(
        svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"840\" height=\"216\"", 0), 0u);
    // The titles: bold yellow, and the selected row: white on a blue bar as wide as its text.
    EXPECT_NE(svg.find("fill=\"#e5e510\" font-weight=\"bold\">CATEGORIES (1)"), std::string::npos);
    EXPECT_NE(
        svg.find("<rect x=\"16.8\" y=\"72.0\" width=\"92.4\" height=\"18.0\" fill=\"#2472c8\"/>"),
        std::string::npos)
        << svg;
    EXPECT_NE(svg.find(">Web Browser</text>"), std::string::npos);
    EXPECT_NE(svg.find("* Alpha &amp; &lt;Co&gt;"), std::string::npos) << "text is escaped";
}
