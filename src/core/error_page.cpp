#include "core/error_page.h"

#include <algorithm>

#include "core/html_escape.h"

namespace zovaz {

std::string ShownPartOfAddress(const std::string& address) {
  const size_t scheme = address.find("://");
  // A local page has no host to name.
  if (address.rfind("http://", 0) != 0 && address.rfind("https://", 0) != 0) return "";
  const size_t hostStart = scheme + 3;
  const size_t hostEnd = std::min(address.find_first_of("/?#", hostStart), address.size());
  std::string host = address.substr(hostStart, hostEnd - hostStart);
  // user:password@ before the host is a credential too.
  if (const size_t at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
  return address.substr(0, hostStart) + host;
}

std::string ErrorPageHtml(const ErrorPageTexts& texts, const std::string& address) {
  const std::string shown = ShownPartOfAddress(address);
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"cs\"><head><meta charset=\"utf-8\">\n<title>" +
      EscapeHtml(texts.heading) +
      "</title>\n<style>\n"
      "body{margin:0;font-family:sans-serif;background:#f4f4f4;color:#222}\n"
      "main{max-width:520px;margin:90px auto 0;padding:28px 32px;background:#fff;"
      "border:1px solid #ccc;border-radius:6px}\n"
      "h1{font-size:20px;margin:0 0 12px;color:#a00}\n"
      "p{line-height:1.5}\n.address{font-family:monospace;color:#555}\n"
      "a.button{display:inline-block;margin:12px 12px 0 0;padding:8px 16px;border-radius:4px;"
      "text-decoration:none;border:1px solid #888;color:#222;background:#eee}\n"
      "a#retry{background:#1e5aa8;border-color:#1e5aa8;color:#fff}\n"
      // The desktop's dark style reaches the page through the engine.
      "@media (prefers-color-scheme: dark){:root{color-scheme:dark}\n"
      "body{background:#1e1e1e;color:#ddd}\n"
      "main{background:#2b2b2b;border-color:#4a4a4a}\n"
      "h1{color:#ff7b72}\n.address{color:#aaa}\n"
      "a.button{color:#ddd;background:#3a3a3a;border-color:#666}\n"
      "a#retry{background:#2f6fc4;border-color:#2f6fc4;color:#fff}}\n"
      "</style></head>\n<body><main>\n<h1>" +
      EscapeHtml(texts.heading) + "</h1>\n";
  if (!shown.empty()) html += "<p class=\"address\">" + EscapeHtml(shown) + "</p>\n";
  html += "<p>" + EscapeHtml(texts.explanation) +
          "</p>\n<p><a class=\"button\" id=\"retry\" href=\"" + std::string(kRetryAction) + "\">" +
          EscapeHtml(texts.retry) + "</a><a class=\"button\" id=\"home\" href=\"" +
          std::string(kHomeAction) + "\">" + EscapeHtml(texts.home) +
          "</a></p>\n</main></body></html>\n";
  return html;
}

std::string DownloadProgressText(const std::string& verb, const std::string& name,
                                 uint64_t received, uint64_t total) {
  std::string amount;
  if (total > 0 && received <= total) {
    amount = std::to_string(received * 100 / total) + " %";
  } else {
    amount = std::to_string((received + 1023) / 1024) + " kB";
  }
  return verb + " " + name + ": " + amount;
}

}  // namespace zovaz
