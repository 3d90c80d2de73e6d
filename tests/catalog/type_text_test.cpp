#include "catalog/type_text.h"
#include "fixture.h"

namespace {

std::string resolve(const char *text) {
    g_autofree char *t = type_text_resolve(text);
    return t ? t : "(none)";
}

} // namespace

TEST(TypeText, MimeTypesKeepTheirCaseAndJunkIsRefused) {
    XdgEnv env;
    EXPECT_EQ(resolve("image/png"), "image/png");
    EXPECT_EQ(resolve("Image/X-Foo+xml"), "Image/X-Foo+xml");
    EXPECT_EQ(resolve("application/vnd.ms-excel"), "application/vnd.ms-excel");
    EXPECT_EQ(resolve("x-scheme-handler/http"), "x-scheme-handler/http");
    for (const char *junk :
         {"a/b/c", "/png", "image/", "/", "hello world/x", "image/p ng", "r; ls/x", "image/png;",
          "text/plain\n", "caf\xc3\xa9/x", "./x.png", "image/.png"})
        EXPECT_EQ(resolve(junk), "(none)") << junk;
    EXPECT_TRUE(type_text_is_mime_type("a/b"));
    EXPECT_FALSE(type_text_is_mime_type("ab"));
}

TEST(TypeText, ExtensionsGoThroughTheContentTypeDatabase) {
    XdgEnv env;
    EXPECT_EQ(resolve("png"), "image/png");
    EXPECT_EQ(resolve(".png"), "image/png");
    EXPECT_EQ(resolve("c"), "text/x-csrc");
    EXPECT_EQ(resolve("tar.gz"), "application/x-compressed-tar");
    for (const char *unknown : {"zzzqq", "hello world", "r; ls", "", "."})
        EXPECT_EQ(resolve(unknown), "(none)") << unknown;
}
