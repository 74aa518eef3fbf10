#include "shop_pages.h"

#include <vector>

namespace zovaz::shop {

namespace {

struct Product {
  const char* image;
  const char* czech;
  const char* english;
  int price;  // whole crowns
};

const std::vector<Product>& Catalogue() {
  static const std::vector<Product> products = {
      {"paper.png", "Kancelářský papír A4, 500 listů", "Office paper A4, 500 sheets", 129},
      {"pen.png", "Kuličková pera modrá, 10 ks", "Blue ballpoint pens, 10 pcs", 89},
      {"binder.png", "Pákový pořadač 75 mm, zelený", "Lever arch file 75 mm, green", 59},
      {"paper.png", "Samolepicí bločky 76 × 76 mm", "Sticky notes 76 × 76 mm", 35},
  };
  return products;
}

std::string Price(int crowns, Language language) {
  return language == Language::kEnglish ? "CZK " + std::to_string(crowns)
                                        : std::to_string(crowns) + " Kč";
}

// `vendor` is already escaped wherever these helpers take it.
std::string ProductCards(const std::string& vendor, Language language, size_t count,
                         bool withCartButton) {
  std::string html = "<div class=\"teaser\">\n";
  for (size_t i = 0; i < count && i < Catalogue().size(); ++i) {
    const Product& product = Catalogue()[i];
    html += "<div class=\"product\">";
    html += "<img src=\"" + vendor + "/assets/images/" + product.image + "\" alt=\"\">";
    html += "<span class=\"title\">";
    html += language == Language::kEnglish ? product.english : product.czech;
    html += "</span><span class=\"price\">" + Price(product.price, language) + "</span>";
    if (withCartButton) {
      html += "<span class=\"add\">";
      html += language == Language::kEnglish ? "Add to cart" : "Do košíku";
      html += "</span>";
    }
    html += "</div>\n";
  }
  return html + "</div>\n";
}

std::string Document(const std::string& vendor, Language language, const std::string& title,
                     const std::string& note, const std::string& content,
                     const std::string& head = "") {
  const bool english = language == Language::kEnglish;
  std::string html;
  html += "<!DOCTYPE html>\n";
  html += english ? "<html lang=\"en\">\n" : "<html lang=\"cs\">\n";
  html += "<head>\n";
  html += "<meta charset=\"utf-8\">\n";
  html += head;
  html += "<title>" + title + "</title>\n";
  html += "<link rel=\"stylesheet\" href=\"" + vendor + "/assets/styles/mainCompact.css\">\n";
  html += "</head>\n";
  html += "<body>\n";
  html += "<div id=\"main\">\n";
  html += "<div class=\"header\">";
  html += "<img src=\"" + vendor + "/assets/images/logo.png\" alt=\"\">";
  html += "<div class=\"brand\"><span class=\"name\">Z-ovaz</span>";
  html += "<span class=\"maker\">Marlevo s.r.o.</span></div>";
  html += "<span class=\"note\">" + note + "</span></div>\n";
  html += "<div class=\"content\">\n" + content + "</div>\n";
  html += "<div class=\"footer\">&copy; Marlevo s.r.o. &middot; Z-ovaz</div>\n";
  html += "</div>\n";
  html += "</body>\n";
  html += "</html>\n";
  return html;
}

}  // namespace

Language LanguageFromCode(const std::string& code) {
  return code == "eng" ? Language::kEnglish : Language::kCzech;
}

std::string EscapeScriptInAttribute(const std::string& text) {
  // Everything but plain address characters as \xHH: no quote, backslash,
  // line break or entity can end the string early.
  std::string script;
  for (unsigned char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '.' || c == ':' || c == '/' || c == '-' || c == '_' || c >= 0x80;
    if (plain) {
      script += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789abcdef";
      script += "\\x";
      script += kHex[c >> 4];
      script += kHex[c & 15];
    }
  }
  return EscapeHtml(script);
}

std::string LoggedOutPage(const std::string& vendor, Language language) {
  const std::string v = EscapeHtml(vendor);
  const bool english = language == Language::kEnglish;
  std::string content;
  if (english) {
    content += "<h1>Welcome to the Z-ovaz shop</h1>\n";
    content += "<p>Office supplies delivered to your door. Once you are logged in you see your ";
    content += "own prices, your orders and your cart.</p>\n";
    content += "<p>To log in, choose Connect in the menu.</p>\n";
    content += "<p class=\"enter\"><a href=\"" + v + "/shop\" class=\"button\">Enter the shop</a>";
    content += "</p>\n<h2>From our range</h2>\n";
  } else {
    content += "<h1>Vítejte v obchodě Z-ovaz</h1>\n";
    content += "<p>Kancelářské potřeby až k vašim dveřím. Po přihlášení uvidíte své ceny, ";
    content += "objednávky a košík.</p>\n";
    content += "<p>Přihlásíte se volbou Připojit v nabídce.</p>\n";
    content += "<p class=\"enter\"><a href=\"" + v + "/shop\" class=\"button\">";
    content += "Vstoupit do obchodu</a></p>\n<h2>Z naší nabídky</h2>\n";
  }
  content += ProductCards(v, language, 3, false);
  return Document(v, language, "Marlevo s.r.o. - Z-ovaz",
                  english ? "Compact version" : "Kompaktní verze", content,
                  std::string(kLivePageMarker) + "\n");
}

std::string CustomerPage(const std::string& vendor, Language language,
                         const std::string& userName) {
  const std::string v = EscapeHtml(vendor);
  const std::string user = EscapeHtml(userName);
  const bool english = language == Language::kEnglish;
  std::string content;
  content += (english ? "<h1>Hello, " : "<h1>Dobrý den, ") + user + "</h1>\n";
  content += english ? "<p>Welcome back to the Z-ovaz shop. Picked for you:</p>\n"
                     : "<p>Vítejte zpět v obchodě Z-ovaz. Vybrali jsme pro vás:</p>\n";
  content += ProductCards(v, language, 4, true);
  content += english ? "<div class=\"cart\">Cart: 0 items &middot; total CZK 0</div>\n"
                     : "<div class=\"cart\">Košík: 0 položek &middot; celkem 0 Kč</div>\n";
  return Document(v, language, "Z-ovaz - " + user, (english ? "Logged in: " : "Přihlášen: ") + user,
                  content);
}

std::string LoginFailedPage(const std::string& vendor, Language language,
                            const std::string& userName) {
  const std::string v = EscapeHtml(vendor);
  const std::string user = EscapeHtml(userName);
  const bool english = language == Language::kEnglish;
  std::string content = "<div class=\"message\">\n";
  if (english) {
    content += "<h1>Wrong user name or password</h1>\n";
    content += "<p>The login of user <strong>" + user + "</strong> failed. Check your user ";
    content += "name and password in Settings and connect again.</p>\n";
  } else {
    content += "<h1>Nesprávné jméno nebo heslo</h1>\n";
    content += "<p>Přihlášení uživatele <strong>" + user + "</strong> se nezdařilo. ";
    content += "Zkontrolujte jméno a heslo v Nastavení a připojte se znovu.</p>\n";
  }
  content += "</div>\n";
  return Document(v, language, "Z-ovaz", english ? "Not logged in" : "Nepřihlášen", content);
}

std::string VisitorShopPage(const std::string& vendor) {
  const std::string v = EscapeHtml(vendor);
  std::string content;
  content += "<h1>Obchod Z-ovaz</h1>\n";
  content += "<p>Prohlížíte si nabídku jako host. Nakupovat můžete po přihlášení v aplikaci ";
  content += "Z-ovaz.</p>\n";
  content += ProductCards(v, Language::kCzech, 4, false);
  content += "<p class=\"enter\"><a href=\"/\">Marlevo s.r.o.</a></p>\n";
  return Document(v, Language::kCzech, "Obchod Z-ovaz", "Host", content);
}

std::string VendorHomePage(const std::string& vendor) {
  const std::string v = EscapeHtml(vendor);
  std::string content;
  content += "<h1>Marlevo s.r.o.</h1>\n";
  content += "<p>Dodáváme kancelářské potřeby firmám i domácnostem po celé republice.</p>\n";
  content += "<p class=\"enter\"><a href=\"/shop\" class=\"button\">Obchod Z-ovaz</a></p>\n";
  return Document(v, Language::kCzech, "Marlevo s.r.o.", "", content);
}

std::string NotFoundPage(const std::string& vendor) {
  // Deliberately outside the shop layout, as a web server's own error page
  // would be: it has no element "main" for the client's loading notice.
  std::string html;
  html += "<!DOCTYPE html>\n<html lang=\"cs\">\n<head>\n<meta charset=\"utf-8\">\n";
  html += "<title>404 Stránka nenalezena</title>\n</head>\n<body>\n";
  html += "<h1>404 Stránka nenalezena</h1>\n";
  html += "<p>Požadovaná stránka neexistuje. <a href=\"" + EscapeHtml(vendor) + "/\">";
  html += "Marlevo s.r.o.</a></p>\n</body>\n</html>\n";
  return html;
}

std::string RememberPage(const std::string& vendor, const std::string& cameBack) {
  const std::string v = EscapeHtml(vendor);
  std::string content;
  content += "<h1>Zapamatovaná volba</h1>\n";
  content += "<p>Obchod si pamatuje vaši volbu: <strong id=\"remembered\">" + EscapeHtml(cameBack) +
             "</strong></p>\n";
  return Document(v, Language::kCzech, "Z-ovaz - volba", "", content);
}

std::string DocumentsPage(const std::string& vendor) {
  const std::string v = EscapeHtml(vendor);
  std::string content;
  content += "<h1>Doklady</h1>\n";
  content += "<p><a id=\"invoice\" href=\"" + v + "/invoice/2026-001.pdf\">";
  content += "Faktura 2026-001 (PDF)</a></p>\n";
  content += "<p><a id=\"vendor\" href=\"" + v + "/\" target=\"_blank\">Marlevo s.r.o.</a></p>\n";
  content += "<p><button id=\"shop\" type=\"button\" onclick=\"window.open('" +
             EscapeScriptInAttribute(vendor + "/shop") + "')\">Obchod Z-ovaz</button></p>\n";
  return Document(v, Language::kCzech, "Z-ovaz - doklady", "", content);
}

std::string InvoicePdf() {
  // Every byte is fixed, so a test can compare the saved file whole.
  std::string pdf = "%PDF-1.4\n";
  pdf += "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n";
  pdf += "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n";
  pdf += "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] >> endobj\n";
  // Enough body to arrive in more than one piece.
  for (int line = 0; line < 2000; ++line) {
    pdf += "% Faktura 2026-001, radek " + std::to_string(line) + "\n";
  }
  pdf += "trailer << /Root 1 0 R >>\n%%EOF\n";
  return pdf;
}

}  // namespace zovaz::shop
