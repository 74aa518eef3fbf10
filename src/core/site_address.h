// Which site an address belongs to, and so which addresses the client
// follows itself and which belong in the desktop's browser.
#pragma once

#include <string>
#include <vector>

namespace zovaz {

// The host of an http(s) address, in lower case, without user name or
// port; "" for any other address or one without a host.
std::string HostOf(const std::string& address);

// "scheme://host:port" of an http(s) address, lower case, the port always
// written; "" for any other address.
std::string OriginOf(const std::string& address);

// True when both are http(s) addresses of one origin.
bool SameOrigin(const std::string& address, const std::string& other);

enum class LinkRoute {
  kInside,   // the client shows it
  kBrowser,  // the desktop's browser shows it; the client stays where it was
  kNowhere,  // neither: it would carry the login secret off the shop's sites
};

// Where a link the customer clicked goes: a web address on a host other
// than those of `ownSites` (the shop server, the vendor site) to the
// browser, unless it carries the login secret (see HoldsLoginSecret);
// everything else, other schemes included, stays with the client.
LinkRoute RouteClickedLink(const std::string& address, const std::vector<std::string>& ownSites,
                           const std::string& passwordHash);

}  // namespace zovaz
