#include "core/message_text.h"

#include <gtest/gtest.h>

using zovaz::WithClosingFullStop;

TEST(WithClosingFullStop, AppendsAFullStopOnlyWhereNoneOrLowerCharacterEnds) {
  EXPECT_EQ(WithClosingFullStop("File not found"), "File not found.");
  EXPECT_EQ(WithClosingFullStop("I/O error 21"), "I/O error 21.");
  EXPECT_EQ(WithClosingFullStop("Zkontrolujte p\xC5\x99ipojen\xC3\xAD"),
            "Zkontrolujte p\xC5\x99ipojen\xC3\xAD.");  // a multi-byte letter sorts above
  EXPECT_EQ(WithClosingFullStop("/"), "/.");           // "/" is the first above "."
  EXPECT_EQ(WithClosingFullStop("Done."), "Done.");
  for (const char* kept : {"Stop!", "(see log)", "a,", "a-", "a ", "tab\t", "quote\"", "50%"}) {
    EXPECT_EQ(WithClosingFullStop(kept), kept);
  }
  EXPECT_EQ(WithClosingFullStop(""), "");
}
