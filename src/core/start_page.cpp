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

}  // namespace

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
