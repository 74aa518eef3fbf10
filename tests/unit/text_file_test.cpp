#include <gtest/gtest.h>

#include "core/text_file.h"

TEST(TextFile, Placeholder) { EXPECT_TRUE(zovaz::SplitTextLines("").empty()); }
