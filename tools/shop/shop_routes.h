// What the stand-in shop answers to each request, apart from the server
// that carries it, so that it can be checked request by request.
#pragma once

#include <httplib.h>

#include <string>

namespace zovaz::shop {

// Fills `res` for `req`. The vendor address in the pages is the one the
// client used (its Host header), or `fallbackVendor` when it sent none.
void RouteShopRequest(const httplib::Request& req, httplib::Response& res,
                      const std::string& fallbackVendor);

}  // namespace zovaz::shop
