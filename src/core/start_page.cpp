#include "core/start_page.h"

#include "core/text_file.h"

namespace zovaz {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool MatchesAt(const std::string& text, size_t pos, const std::string& find) {
  if (pos + find.size() > text.size()) return false;
  for (size_t i = 0; i < find.size(); ++i) {
    if (LowerAscii(text[pos + i]) != LowerAscii(find[i])) return false;
  }
  return true;
}

bool IsHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The last place `find` starts in `text`, letter case ignored.
size_t FindLastIgnoreCase(const std::string& text, const std::string& find) {
  for (size_t pos = text.size() < find.size() ? std::string::npos : text.size() - find.size();
       pos != std::string::npos; --pos) {
    if (MatchesAt(text, pos, find)) return pos;
  }
  return std::string::npos;
}

}  // namespace

bool LooksCompressed(const std::string& body) {
  return body.rfind("\x1F\x8B", 0) == 0 || body.rfind("\x28\xB5\x2F\xFD", 0) == 0;
}

bool IsWholeStartPage(const std::string& page) {
  if (LooksCompressed(page)) return false;
  const size_t close = FindLastIgnoreCase(page, "</html");
  if (close == std::string::npos) return false;
  size_t pos = page.find('>', close);
  if (pos == std::string::npos) return false;
  // Servers and proxies may sign a page off after it ends.
  for (++pos; pos < page.size();) {
    if (IsHtmlSpace(page[pos])) {
      ++pos;
    } else if (page.compare(pos, 4, "<!--") == 0) {
      const size_t end = page.find("-->", pos + 4);
      if (end == std::string::npos) return false;
      pos = end + 3;
    } else {
      return false;
    }
  }
  return true;
}

std::string ReplaceAllIgnoreCase(const std::string& text, const std::string& find,
                                 const std::string& replacement) {
  if (find.empty()) return text;
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    if (MatchesAt(text, pos, find)) {
      out += replacement;
      pos += find.size();
    } else {
      out += text[pos++];
    }
  }
  return out;
}

std::string RewriteStartPageLine(const std::string& line, const std::string& vendorSiteUrl) {
  std::string out = ReplaceAllIgnoreCase(line, vendorSiteUrl + "/assets", "./assets");
  out = ReplaceAllIgnoreCase(out, "a href=\"" + vendorSiteUrl + "/shop\"",
                             "a href=\"javascript:location.reload(true)\"");
  return ReplaceAllIgnoreCase(out, "<body>", "<body oncontextmenu=\"return false;\">");
}

std::string RewriteStartPage(const std::string& page, const std::string& vendorSiteUrl) {
  std::string out;
  TextReader reader(page);
  while (!reader.AtEnd()) {
    out += RewriteStartPageLine(reader.ReadLine(), vendorSiteUrl);
    out += "\r\n";
  }
  return out;
}

}  // namespace zovaz
