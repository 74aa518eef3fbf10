#include "platform/deployment.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "build_config.h"
#include "common/test_files.h"

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
