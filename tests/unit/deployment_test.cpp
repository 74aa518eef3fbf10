#include "platform/deployment.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "build_config.h"
#include "common/test_files.h"
#include "platform/web_renderer.h"

using zovaz::testing::ScopedEnv;

TEST(Deployment, EnvironmentOverridesTheBuiltInVendorSite) {
  {
    ScopedEnv url("ZOVAZ_VENDOR_SITE_URL", nullptr);
    ScopedEnv name("ZOVAZ_VENDOR_SITE_NAME", nullptr);
    EXPECT_EQ(zovaz::VendorSiteUrl(), ZOVAZ_DEFAULT_VENDOR_SITE_URL);
    EXPECT_EQ(zovaz::VendorSiteName(), ZOVAZ_DEFAULT_VENDOR_SITE_NAME);
  }
  {
    ScopedEnv url("ZOVAZ_VENDOR_SITE_URL", "http://127.0.0.1:9000");
    ScopedEnv name("ZOVAZ_VENDOR_SITE_NAME", "Staging");
    EXPECT_EQ(zovaz::VendorSiteUrl(), "http://127.0.0.1:9000");
    EXPECT_EQ(zovaz::VendorSiteName(), "Staging");
  }
  {
    // Set but empty counts as unset: a blank address would break every URL.
    ScopedEnv url("ZOVAZ_VENDOR_SITE_URL", "");
    EXPECT_EQ(zovaz::VendorSiteUrl(), ZOVAZ_DEFAULT_VENDOR_SITE_URL);
  }
}

// The engine's drawing settings: the user's own value wins, and what the
// client chose for itself does not reach the programs it starts for the user.
TEST(WebRenderer, UserSettingWinsAndTheChoiceStaysInTheClient) {
  for (const std::string& pair : zovaz::WebRendererChoice()) {
    const std::string name = pair.substr(0, pair.find('='));
    auto inheritedValue = [&]() -> std::string {
      gchar** environment = zovaz::EnvironmentForOtherPrograms();
      const gchar* value = g_environ_getenv(environment, name.c_str());
      std::string result = value != nullptr ? value : "(unset)";
      g_strfreev(environment);
      return result;
    };
    {
      ScopedEnv user(name.c_str(), "user's");
      zovaz::ChooseWebRenderer();
      EXPECT_STREQ(std::getenv(name.c_str()), "user's");
      EXPECT_EQ(inheritedValue(), "user's");
    }
    ScopedEnv unset(name.c_str(), nullptr);
    zovaz::ChooseWebRenderer();
    EXPECT_EQ(name + "=" + std::getenv(name.c_str()), pair);
    EXPECT_EQ(inheritedValue(), "(unset)");
  }
}
