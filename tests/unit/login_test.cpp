#include "core/login.h"

#include <gtest/gtest.h>

using namespace zovaz;

namespace {

const char* kHash = "5f4dcc3b5aa765d61d8327deb882cf99";

std::string Login(const std::string& user) {
  return LoginAddress("http://shop.test", "cze", user, kHash);
}

}  // namespace

TEST(LoginAddress, OrdinaryNamesStayAsTheyAre) {
  EXPECT_EQ(Login("zakaznik"),
            "http://shop.test/cze/moveup/zakaznik/movedown/5f4dcc3b5aa765d61d8327deb882cf99");
  EXPECT_EQ(Login("Jan.Novak_1-b~"),
            "http://shop.test/cze/moveup/Jan.Novak_1-b~/movedown/5f4dcc3b5aa765d61d8327deb882cf99");
  EXPECT_EQ(LogoutPageAddress("http://shop.test", "cze"),
            "http://shop.test/cze/set-compact-mode/logout");
}

TEST(LoginAddress, NameIsOneEncodedPathSegment) {
  // Unencoded, "/" would add a segment and "?" or "#" would cut off the digest.
  EXPECT_EQ(Login("a/b?c#d"),
            "http://shop.test/cze/moveup/a%2Fb%3Fc%23d/movedown/5f4dcc3b5aa765d61d8327deb882cf99");
  EXPECT_EQ(PercentEncodePathSegment("100% jistě"), "100%25%20jist%C4%9B");
  EXPECT_EQ(PercentEncodePathSegment("Jiří Novák"), "Ji%C5%99%C3%AD%20Nov%C3%A1k");
  EXPECT_EQ(PercentEncodePathSegment("a+b@c:d;e=f&g'h\\i\"j"),
            "a%2Bb%40c%3Ad%3Be%3Df%26g%27h%5Ci%22j");
  EXPECT_EQ(PercentEncodePathSegment(std::string("\x00\x7F\xFF", 3)), "%00%7F%FF");
  EXPECT_EQ(PercentEncodePathSegment(""), "");
}

TEST(LoadingScript, IsTheNoticeByteForByte) {
  EXPECT_EQ(
      LoadingScript("Načítám", "/home/jan/.local/share/Marlevo"),
      R"(document.getElementById('main').innerHTML='<div style="color:#fff;text-align:center;)"
      R"(font-weight:bold;position:absolute;width:100%;top:230px;font-size:12px;">Načítám..)"
      R"(<br><br><img alt="Loading.." )"
      R"(src="file:///home/jan/.local/share/Marlevo/__app/assets/images/clock.png" /></div>')");
  EXPECT_EQ(
      LoadingScript("Loading", "/d"),
      R"(document.getElementById('main').innerHTML='<div style="color:#fff;text-align:center;)"
      R"(font-weight:bold;position:absolute;width:100%;top:230px;font-size:12px;">Loading..)"
      R"(<br><br><img alt="Loading.." src="file:///d/__app/assets/images/clock.png" /></div>')");
  EXPECT_EQ(std::string(kPrintScript), "window.print();");
}

TEST(LoadingScript, NoDataFolderNameCanBreakOutOfTheScript) {
  EXPECT_EQ(ClockImageUrl("/home/o'brien/M"),
            "file:///home/o'brien/M/__app/assets/images/clock.png");
  EXPECT_EQ(
      LoadingScript("Načítám", "/home/o'brien/M"),
      R"(document.getElementById('main').innerHTML='<div style="color:#fff;text-align:center;)"
      R"(font-weight:bold;position:absolute;width:100%;top:230px;font-size:12px;">Načítám..)"
      R"(<br><br><img alt="Loading.." )"
      R"(src="file:///home/o\'brien/M/__app/assets/images/clock.png" /></div>')");
  // Quote, backslash, double quote, "<", "&", line breaks, and what a URL
  // path cannot carry as it stands.
  EXPECT_EQ(ClockImageUrl("/t/a\"b<c\\d&e'f\ng\rh i%j#k?l/Jiří"),
            "file:///t/a%22b%3Cc%5Cd&e'f%0Ag%0Dh%20i%25j%23k%3Fl/Ji%C5%99%C3%AD"
            "/__app/assets/images/clock.png");
  EXPECT_EQ(
      LoadingScript("x", "/t/a\"b<c\\d&e'f\ng\rh i%j#k?l/Jiří"),
      R"(document.getElementById('main').innerHTML='<div style="color:#fff;text-align:center;)"
      R"(font-weight:bold;position:absolute;width:100%;top:230px;font-size:12px;">x..)"
      R"(<br><br><img alt="Loading.." )"
      R"(src="file:///t/a%22b%3Cc%5Cd&amp;e\'f%0Ag%0Dh%20i%25j%23k%3Fl/Ji%C5%99%C3%AD)"
      R"(/__app/assets/images/clock.png" /></div>')");
}

TEST(EscapeForScriptAttribute, EscapesForBothTheStringAndTheAttribute) {
  EXPECT_EQ(EscapeForScriptAttribute("a'b\\c\"d<e&f\ng\rh>i"),
            R"(a\'b\\c&quot;d&lt;e&amp;f\ng\rh>i)");
  EXPECT_EQ(EscapeForScriptAttribute("Načítám"), "Načítám");
  // The loading text takes the same road into the script.
  EXPECT_NE(LoadingScript("it's <b>", "/d").find(R"(;">it\'s &lt;b>..<br>)"), std::string::npos);
}
