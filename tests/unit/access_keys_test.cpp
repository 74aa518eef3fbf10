#include "core/access_keys.h"

#include <gtest/gtest.h>

using zovaz::WithAccessKeys;

TEST(AccessKeys, EachMenuGetsDistinctLettersInBothLanguages) {
  // The window's own menus: a clash would make one item unreachable.
  EXPECT_EQ(WithAccessKeys(
                {"Připojit", "Odpojit", "Nastavení", "Tisk", "Přejít na web Marlevo", "Ukončit"}),
            (std::vector<std::string>{"&Připojit", "&Odpojit", "&Nastavení", "&Tisk",
                                      "Přejít na &web Marlevo", "&Ukončit"}));
  EXPECT_EQ(WithAccessKeys(
                {"Connect", "Disconnect", "Settings", "Print", "Go to Marlevo website", "Exit"}),
            (std::vector<std::string>{"&Connect", "&Disconnect", "&Settings", "&Print",
                                      "&Go to Marlevo website", "&Exit"}));
  EXPECT_EQ(WithAccessKeys({"Program", "Nápověda"}),
            (std::vector<std::string>{"&Program", "&Nápověda"}));
}

TEST(AccessKeys, AmpersandsStayTextAndAnExhaustedCaptionGetsNoKey) {
  // Word starts taken, the next free letter; case does not make a letter new.
  EXPECT_EQ(WithAccessKeys({"ab", "Ab", "& Bé"}),
            (std::vector<std::string>{"&ab", "A&b", "&& Bé"}));
  // Only non-ASCII letters left: no key, and no stray marker either.
  EXPECT_EQ(WithAccessKeys({"a", "A", "ěš"}), (std::vector<std::string>{"&a", "A", "ěš"}));
}
