// The stand-in shop's pages, in Czech or English, in the compact layout the
// client window is sized for.
#pragma once

#include <string>

#include "core/html_escape.h"

namespace zovaz::shop {

enum class Language { kCzech, kEnglish };

// "eng" is English; every other code falls back to Czech, the shop's own.
Language LanguageFromCode(const std::string& code);

// The client's own escape serves the stand-in's pages too.
using zovaz::EscapeHtml;

// `text` made safe inside a single-quoted script string that itself stands
// in a double-quoted HTML attribute (the engine decodes the attribute's
// entities before it runs the script).
std::string EscapeScriptInAttribute(const std::string& text);

// A line only the live logged-out page carries, so that a start page rebuilt
// from it can be told apart from the copy shipped with the client.
inline constexpr const char* kLivePageMarker = "<meta name=\"zovaz-shop\" content=\"live\">";

// `vendor` is the vendor site's address as the client reached it
// ("http://host:port"); every asset and the shop link hang below it.

// The logged-out compact page. The client rewrites it into its offline start
// page by exact text, so its shape is a contract: asset references begin
// with vendor + "/assets", the shop link is written `<a href="vendor/shop"`,
// the body tag is a bare `<body>`, and nothing else names the vendor.
std::string LoggedOutPage(const std::string& vendor, Language language);

// What a successful login shows: a greeting for `userName` (raw text, escaped
// here), a few products and the cart.
std::string CustomerPage(const std::string& vendor, Language language, const std::string& userName);

// Names the user the login was tried for (raw text, escaped here).
std::string LoginFailedPage(const std::string& vendor, Language language,
                            const std::string& userName);

// The shop's front page for a visitor who is not logged in.
std::string VisitorShopPage(const std::string& vendor);

// The vendor company's own home page.
std::string VendorHomePage(const std::string& vendor);

// A plain error page without the shop layout (and without "main").
std::string NotFoundPage(const std::string& vendor);

// The remembered choice: shows in element "remembered" the cookie value the
// browser sent back (raw text, escaped here; "" when none came back).
std::string RememberPage(const std::string& vendor, const std::string& cameBack);

// The customer's documents: the invoice download, a link that asks for a
// new window (to the vendor home page) and a button that opens one with a
// script (to the shop's front page).
std::string DocumentsPage(const std::string& vendor);

// The invoice the documents page offers, as the bytes of a small PDF.
std::string InvoicePdf();

}  // namespace zovaz::shop
