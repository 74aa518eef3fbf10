// Deployment values: compiled in, overridable from the environment for
// staging and tests.
#pragma once

#include <string>

namespace zovaz {

// $ZOVAZ_VENDOR_SITE_URL when set and not empty, else the built-in address.
std::string VendorSiteUrl();

// $ZOVAZ_VENDOR_SITE_NAME when set and not empty, else the built-in name.
std::string VendorSiteName();

}  // namespace zovaz
