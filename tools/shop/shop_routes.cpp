#include "shop_routes.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "shop_assets.h"
#include "shop_pages.h"
#include "shop_server.h"

namespace zovaz::shop {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// %XX becomes its byte; a malformed escape stays as it is. '+' is a plus
// in a path, not a space.
std::string PercentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// The segments of the path as sent, each decoded on its own: an encoded
// "/" inside a user name must not split it.
std::vector<std::string> PathSegments(const std::string& target) {
  std::string path = target.substr(0, target.find_first_of("?#"));
  std::vector<std::string> segments;
  size_t start = path.empty() || path[0] != '/' ? 0 : 1;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    segments.push_back(PercentDecode(path.substr(start, end - start)));
    start = end + 1;
  }
  return segments;
}

std::string ContentTypeFor(const std::string& path) {
  auto endsWith = [&](const char* suffix) {
    const std::string s(suffix);
    return path.size() >= s.size() && path.compare(path.size() - s.size(), s.size(), s) == 0;
  };
  if (endsWith(".css")) return "text/css";
  if (endsWith(".png")) return "image/png";
  if (endsWith(".gif")) return "image/gif";
  if (endsWith(".jpg") || endsWith(".jpeg")) return "image/jpeg";
  if (endsWith(".svg")) return "image/svg+xml";
  if (endsWith(".html")) return "text/html; charset=utf-8";
  return "application/octet-stream";
}

void SendPage(httplib::Response& res, const std::string& html, int status = 200) {
  res.status = status;
  res.set_content(html, "text/html; charset=utf-8");
}

constexpr const char* kChoiceCookie = "volba";

// Only plain words are remembered, so the value needs no quoting anywhere.
bool IsPlainWord(const std::string& text) {
  if (text.empty() || text.size() > 64) return false;
  for (char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    if (!plain) return false;
  }
  return true;
}

// The value of cookie `name` in a Cookie request header; "" when absent.
std::string CookieValue(const std::string& header, const std::string& name) {
  size_t start = 0;
  while (start < header.size()) {
    size_t end = header.find(';', start);
    if (end == std::string::npos) end = header.size();
    std::string pair = header.substr(start, end - start);
    pair.erase(0, pair.find_first_not_of(' '));
    if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
    start = end + 1;
  }
  return "";
}

void SendAttachment(httplib::Response& res, const std::string& fileName) {
  res.set_header("Content-Disposition", "attachment; filename=\"" + fileName + "\"");
}

}  // namespace

void RouteShopRequest(const httplib::Request& req, httplib::Response& res,
                      const std::string& fallbackVendor) {
  const std::string host = req.get_header_value("Host");
  const std::string vendor = host.empty() ? fallbackVendor : "http://" + host;
  const std::vector<std::string> s = PathSegments(req.target);

  if (s.size() == 1 && s[0].empty()) return SendPage(res, VendorHomePage(vendor));
  if (s[0] == "shop" && (s.size() == 1 || (s.size() == 2 && s[1].empty()))) {
    return SendPage(res, VisitorShopPage(vendor));
  }
  if (s.size() >= 2 && s[0] == "assets") {
    std::string path = s[1];
    for (size_t i = 2; i < s.size(); ++i) path += "/" + s[i];
    if (const EmbeddedAsset* asset = FindEmbeddedAsset(path)) {
      res.set_content(reinterpret_cast<const char*>(asset->data), asset->size,
                      ContentTypeFor(path).c_str());
      return;
    }
  }
  if (s.size() == 3 && s[1] == "set-compact-mode" && s[2] == "logout") {
    return SendPage(res, LoggedOutPage(vendor, LanguageFromCode(s[0])));
  }
  if (s.size() == 5 && s[1] == "moveup" && s[3] == "movedown") {
    const Language language = LanguageFromCode(s[0]);
    if (s[2] == kDemoUser && s[4] == kDemoDigest) {
      return SendPage(res, CustomerPage(vendor, language, s[2]));
    }
    return SendPage(res, LoginFailedPage(vendor, language, s[2]));
  }
  if (s.size() == 1 && s[0] == "remember") {
    // A persistent cookie: the client must keep it across restarts.
    const std::string choice = req.get_param_value("choice");
    if (IsPlainWord(choice)) {
      res.set_header("Set-Cookie", std::string(kChoiceCookie) + "=" + choice +
                                       "; Max-Age=31536000; Path=/; HttpOnly; SameSite=Lax");
    }
    return SendPage(
        res, RememberPage(vendor, CookieValue(req.get_header_value("Cookie"), kChoiceCookie)));
  }
  if (s.size() == 1 && s[0] == "documents") return SendPage(res, DocumentsPage(vendor));
  if (s.size() == 2 && s[0] == "invoice" && s[1] == "2026-001.pdf") {
    SendAttachment(res, s[1]);
    res.set_content(InvoicePdf(), "application/pdf");
    return;
  }
  if (s.size() == 2 && s[0] == "invoice" && s[1] == "interrupted.pdf") {
    // Promises the whole invoice, sends half and drops the connection, as
    // a server that fails mid-download does.
    SendAttachment(res, s[1]);
    const std::string pdf = InvoicePdf();
    res.set_content_provider(pdf.size(), "application/pdf",
                             [pdf](size_t offset, size_t, httplib::DataSink& sink) {
                               if (offset > 0) return false;
                               sink.write(pdf.data(), pdf.size() / 2);
                               return true;
                             });
    return;
  }
  if (s.size() == 2 && s[0] == "invoice" && s[1] == "slow.pdf") {
    // Pauses halfway, long enough for a client to give up meanwhile.
    SendAttachment(res, s[1]);
    const std::string pdf = InvoicePdf();
    res.set_content_provider(pdf.size(), "application/pdf",
                             [pdf](size_t offset, size_t, httplib::DataSink& sink) {
                               if (offset > 0) std::this_thread::sleep_for(std::chrono::seconds(2));
                               const size_t half = pdf.size() / 2;
                               const size_t size = offset == 0 ? half : pdf.size() - offset;
                               sink.write(pdf.data() + offset, size);
                               return true;
                             });
    return;
  }
  SendPage(res, NotFoundPage(vendor), 404);
}

}  // namespace zovaz::shop
