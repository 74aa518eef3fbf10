#include "core/registered_command.h"

#include <gtest/gtest.h>

using namespace zovaz;

TEST(RegisteredCommand, ThePathBetweenTheFirstTwoQuotesIsTheProgram) {
  // The program's own arguments and its quoted placeholder are not used.
  EXPECT_EQ(QuotedProgram(R"("C:\Program Files\Browser\browser.exe" -nohome -- "%1")"),
            R"(C:\Program Files\Browser\browser.exe)");
  EXPECT_EQ(QuotedProgram(R"(rundll32 "C:\x.dll",Open "%1")"), R"(C:\x.dll)");
  EXPECT_EQ(QuotedProgram(R"("" "%1")"), "");
  // Fewer than two quotes name nothing: not the bare command, which would
  // start whatever the shell makes of it.
  for (const char* none : {"", R"(C:\browser.exe %1)", R"("C:\browser.exe %1)"})
    EXPECT_EQ(QuotedProgram(none), "") << none;
}
