#include "platform/ui_language.h"

#include <gtest/gtest.h>
#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "(unset)";
}

}  // namespace

TEST(UiLanguage, ToolkitSpeaksCzechWhileTheDesktopKeepsItsFormats) {
  // A desktop that forces one locale for everything.
  setenv("LC_ALL", "C.UTF-8", 1);
  unsetenv("LC_MESSAGES");
  unsetenv("LANGUAGE");
  zovaz::UseCzechMessages();
  EXPECT_EQ(Env("LC_ALL"), "(unset)");
  EXPECT_EQ(Env("LC_NUMERIC"), "C.UTF-8");
  EXPECT_EQ(Env("LC_TIME"), "C.UTF-8");
  EXPECT_EQ(Env("LANGUAGE"), "cs");
  // The machine has a Czech locale and the toolkit's and engine's
  // translations (scripts/install-deps puts them there).
  EXPECT_EQ(Env("LC_MESSAGES"), "cs_CZ.UTF-8");
  bind_textdomain_codeset("gtk30", "UTF-8");
  bind_textdomain_codeset("WebKitGTK-4.0", "UTF-8");
  EXPECT_STREQ(dgettext("gtk30", "_Cancel"), "_Zrušit");
  EXPECT_STREQ(dgettext("WebKitGTK-4.0", "Copy Link Loc_ation"), "_Kopírovat adresu odkazu");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");

  std::setlocale(LC_MESSAGES, "C");
  for (const char* name :
       {"LC_MESSAGES", "LANGUAGE", "LC_CTYPE", "LC_NUMERIC", "LC_TIME", "LC_COLLATE", "LC_MONETARY",
        "LC_PAPER", "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"})
    unsetenv(name);
}
