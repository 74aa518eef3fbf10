// Addresses the desktop hands the client (a zovaz:// link, or one of the
// shop's own web addresses): which of them the client shows, and where.
#pragma once

#include <string>

namespace zovaz {

// True for an argument that is meant as an address for the client
// ("zovaz:", "http:" or "https:" at its start, letter case aside); every
// other argument is no business of the links.
bool LooksLikeDeepLink(const std::string& argument);

// The shop address `link` stands for: the shop server's scheme, host and
// port (from `serverUrl`) followed by the link's path, query and fragment.
// Only links to the shop's own host are taken, as "zovaz://host/..." or
// "http(s)://host/...", with no port or the shop's own. "" with `why`
// filled in for anything else: another host or scheme, a user name or
// password in it, the login secret (any login address, or one carrying
// `passwordHash`), bytes that have no place in an address, or no usable
// shop address at all.
std::string DeepLinkTarget(const std::string& link, const std::string& serverUrl,
                           const std::string& passwordHash, std::string* why = nullptr);

}  // namespace zovaz
