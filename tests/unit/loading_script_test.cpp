#include "core/loading_script.h"

#include <gtest/gtest.h>

using namespace zovaz;

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
