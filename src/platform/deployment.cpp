#include "platform/deployment.h"

#include <cstdlib>

#include "build_config.h"

namespace zovaz {

namespace {

std::string FromEnvironment(const char* name, const char* builtIn) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' ? value : builtIn;
}

}  // namespace

std::string VendorSiteUrl() {
  return FromEnvironment("ZOVAZ_VENDOR_SITE_URL", ZOVAZ_DEFAULT_VENDOR_SITE_URL);
}

std::string VendorSiteName() {
  return FromEnvironment("ZOVAZ_VENDOR_SITE_NAME", ZOVAZ_DEFAULT_VENDOR_SITE_NAME);
}

}  // namespace zovaz
