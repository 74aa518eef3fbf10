#include "core/loading_script.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/test_files.h"

using namespace zovaz;
using zovaz::testing::TempDir;

namespace {

// A data folder whose notice image holds `bytes`.
void PutClock(const TempDir& data, const std::string& bytes) {
  std::filesystem::create_directories(data / "__app/assets/images");
  zovaz::testing::WriteFile(data / "__app/assets/images/clock.png", bytes);
}

}  // namespace

TEST(LoadingScript, IsTheNoticeByteForByte) {
  TempDir data;
  PutClock(data, "PNG");
  EXPECT_EQ(LoadingScript("Načítám", data.path()),
            R"((function(){var m=document.getElementById('main'),o=m.innerHTML;)"
            R"(window.addEventListener('pageshow',function(e){if(e.persisted)m.innerHTML=o;});)"
            R"(m.innerHTML='<div style="color:#fff;text-align:center;)"
            R"(font-weight:bold;position:absolute;width:100%;top:230px;font-size:12px;">Načítám..)"
            R"(<br><br><img alt="Loading.." src="data:image/png;base64,UE5H" /></div>';})();)");
  EXPECT_EQ(std::string(kPrintScript), "window.print();");
}

TEST(LoadingScript, CarriesTheImageItselfAndNoFolderName) {
  TempDir data;
  // Every byte value, so each base64 digit is met.
  std::string png;
  for (int i = 0; i < 256; ++i) png += static_cast<char>(i);
  PutClock(data, png);
  const std::string url = ClockImageUrl(data.path());
  ASSERT_TRUE(url.starts_with("data:image/png;base64,AAECAwQF")) << url;
  EXPECT_TRUE(url.ends_with("+fr7/P3+/w==")) << url;
  EXPECT_EQ(url.size(), std::string("data:image/png;base64,").size() + 344);
  EXPECT_EQ(LoadingScript("x", data.path()).find(data.path()), std::string::npos);
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("a"), "YQ==");
  EXPECT_EQ(Base64("ab"), "YWI=");
  EXPECT_EQ(Base64("abc"), "YWJj");
}

TEST(LoadingScript, WithoutTheImageTheNoticeStillShowsItsText) {
  TempDir data;
  EXPECT_EQ(ClockImageUrl(data.path()), "");
  const std::string script = LoadingScript("Načítám", data.path());
  EXPECT_NE(script.find(">Načítám..<br><br></div>'"), std::string::npos) << script;
  EXPECT_EQ(script.find("<img"), std::string::npos);
}

TEST(EscapeForScriptAttribute, EscapesForBothTheStringAndTheAttribute) {
  EXPECT_EQ(EscapeForScriptAttribute("a'b\\c\"d<e&f\ng\rh>i"),
            R"(a\'b\\c&quot;d&lt;e&amp;f\ng\rh>i)");
  EXPECT_EQ(EscapeForScriptAttribute("Načítám"), "Načítám");
  // The loading text takes the same road into the script.
  EXPECT_NE(LoadingScript("it's <b>", "/d").find(R"(;">it\'s &lt;b>..<br>)"), std::string::npos);
}
