#include "core/start_page.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/test_files.h"
#include "shop_pages.h"

using namespace zovaz;

namespace {

const std::string kSite = "http://www.marlevo.test";

std::string Rewrite(const std::string& page) { return RewriteStartPage(page, kSite); }

}  // namespace

TEST(StartPage, RewritesAssetsShopLinkAndBodyTag) {
  const std::string page =
      "<html><head>\r\n"
      "<link rel=\"stylesheet\" href=\"http://www.marlevo.test/assets/styles/mainCompact.css\">\r\n"
      "</head>\n"
      "<body>\r\n"
      "<img src=\"http://www.marlevo.test/assets/a.png\"><img "
      "src=\"http://www.marlevo.test/assets/b.png\">\r\n"
      "<a href=\"http://www.marlevo.test/shop\">Shop</a>\r\n"
      "<a href=\"http://www.marlevo.test/shopping\">Other</a>\r\n"
      "</body></html>\r\n";
  EXPECT_EQ(Rewrite(page),
            "<html><head>\r\n"
            "<link rel=\"stylesheet\" href=\"./assets/styles/mainCompact.css\">\r\n"
            "</head>\r\n"
            "<body oncontextmenu=\"return false;\">\r\n"
            "<img src=\"./assets/a.png\"><img src=\"./assets/b.png\">\r\n"
            "<a href=\"javascript:location.reload(true)\">Shop</a>\r\n"
            "<a href=\"http://www.marlevo.test/shopping\">Other</a>\r\n"
            "</body></html>\r\n");
}

TEST(StartPage, FindsAnyLetterCaseAndInsertsTheReplacementAsWritten) {
  EXPECT_EQ(Rewrite("<BODY>"), "<body oncontextmenu=\"return false;\">\r\n");
  EXPECT_EQ(Rewrite("<Body>"), "<body oncontextmenu=\"return false;\">\r\n");
  EXPECT_EQ(Rewrite("url(HTTP://WWW.MARLEVO.TEST/ASSETS/x.png)"), "url(./assets/x.png)\r\n");
  EXPECT_EQ(Rewrite("<A HREF=\"http://www.Marlevo.test/SHOP\">"),
            "<a href=\"javascript:location.reload(true)\">\r\n");
}

TEST(StartPage, LeavesLookAlikesUnchanged) {
  for (const char* line : {
           "<body class=\"compact\">",
           "<a href='http://www.marlevo.test/shop'>",
           "<a class=\"x\" href=\"http://www.marlevo.test/shop\">x</a>",
           "<a  href=\"http://www.marlevo.test/shop\">",
           "<a href=http://www.marlevo.test/shop>",
           "http://other.test/assets/x.png",
           "https://www.marlevo.test/assets/x.png",
           "//www.marlevo.test/assets/x.png",
       }) {
    EXPECT_EQ(Rewrite(line), std::string(line) + "\r\n");
  }
}

TEST(StartPage, RulesApplyInOrderAndInsertedTextIsNotSearchedAgain) {
  // Rule 1 runs first and turns nothing into a shop link; rule 3 finds
  // "<body>" only as written, never inside its own insertion.
  EXPECT_EQ(Rewrite("<body><body>"),
            "<body oncontextmenu=\"return false;\"><body oncontextmenu=\"return false;\">\r\n");
  EXPECT_EQ(ReplaceAllIgnoreCase("aAa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAllIgnoreCase("aaaa", "AA", "b"), "bb");
  EXPECT_EQ(ReplaceAllIgnoreCase("abc", "", "x"), "abc");
  // Bytes beyond ASCII are compared exactly, not folded.
  EXPECT_EQ(ReplaceAllIgnoreCase("\xC3\x81\xC3\xA1", "\xC3\xA1", "a"),
            "\xC3\x81"
            "a");
}

TEST(StartPage, LineBreaksAndTheEndOfTheText) {
  EXPECT_EQ(Rewrite(""), "");
  EXPECT_EQ(Rewrite("no break"), "no break\r\n");
  EXPECT_EQ(Rewrite("a\nb\r\n\r\n"), "a\r\nb\r\n\r\n");
  // 0x1A ends the text: what follows is not copied.
  EXPECT_EQ(Rewrite("kept\r\npart\x1A<body>\r\nlost\r\n"), "kept\r\npart\r\n");
  // A pattern split over two lines is not found.
  EXPECT_EQ(Rewrite("<bo\r\ndy> http://www.marlevo.test\r\n/assets/x"),
            "<bo\r\ndy> http://www.marlevo.test\r\n/assets/x\r\n");
}

TEST(StartPage, CopiesOtherBytesUnchanged) {
  const std::string line(
      "Nab\xED"
      "dka \x9A\xE8\0\xFF",
      12);  // Windows-1250 and a NUL
  EXPECT_EQ(Rewrite(line + "\n"), line + "\r\n");
}

TEST(StartPage, OnlyAWholeUncompressedPageIsTakenForOne) {
  // As the shop sends it, and as it ships.
  const std::string page =
      zovaz::testing::ReadFile(std::string(ZOVAZ_DATA_DIR) + "/__app/lilindex.html");
  EXPECT_TRUE(IsWholeStartPage(page));
  EXPECT_TRUE(IsWholeStartPage(shop::LoggedOutPage(kSite, shop::Language::kEnglish)));
  EXPECT_TRUE(IsWholeStartPage("<HTML><body></body></HTML >\r\n<!-- served in 3 ms -->\n"));
  EXPECT_TRUE(IsWholeStartPage("<html></html>"));
  for (const std::string& broken : std::vector<std::string>{
           page.substr(0, page.size() / 2),
           page.substr(0, page.rfind('>')),
           std::string(),
           "<html></html><div>",
           "<html></html><!-- cut",
           "\x1F\x8B\x08" + page,
           "\x28\xB5\x2F\xFD" + page,
       }) {
    EXPECT_FALSE(IsWholeStartPage(broken)) << broken.substr(0, 40);
  }
  EXPECT_TRUE(LooksCompressed("\x1F\x8B"));
  EXPECT_FALSE(LooksCompressed("body { color: #1F8B00; }"));
}
