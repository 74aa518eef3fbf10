// Every address of the shop the client asks for: the pages it shows, the
// login, and the assets it fetches for the offline start page.
#pragma once

#include <string>

namespace zovaz {

// serverUrl + "/" + lang + "/moveup/" + user + "/movedown/" + digest, with
// the user name percent-encoded as one path segment.
std::string LoginAddress(const std::string& serverUrl, const std::string& lang,
                         const std::string& userName, const std::string& passwordHash);

// True for an address that logs someone in: a login address (whoever's),
// or any address carrying `passwordHash` (ignored when empty), letter case
// aside. Such an address must never be shown, copied or saved.
bool HoldsLoginSecret(const std::string& address, const std::string& passwordHash);

// The address of the shop's logged-out compact page.
std::string LogoutPageAddress(const std::string& serverUrl, const std::string& lang);

// The shared style sheet the offline start page uses, on the vendor site.
std::string StyleSheetAddress(const std::string& vendorSiteUrl);

// A tiny image on the vendor site: when it downloads, the shop can be reached.
std::string ProbeAddress(const std::string& vendorSiteUrl);

// Bytes outside the unreserved set (ALPHA DIGIT - . _ ~) as %XX.
std::string PercentEncodePathSegment(const std::string& segment);

}  // namespace zovaz
