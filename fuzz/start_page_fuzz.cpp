// The start-page rewrite equals a model of its three rules written apart
// from it, and leaves no vendor asset address, shop link or bare <body>.
#include "core/start_page.h"
#include "fuzz_support.h"

using namespace zovaz;
using zovaz::fuzz::Check;
using zovaz::fuzz::LowerAscii;

namespace {

std::string ModelReplace(const std::string& text, const std::string& find,
                         const std::string& replacement) {
  const std::string lower = LowerAscii(text);
  const std::string lowerFind = LowerAscii(find);
  std::string out;
  size_t from = 0;
  for (size_t at; (at = lower.find(lowerFind, from)) != std::string::npos; from = at + find.size())
    out += text.substr(from, at - from) + replacement;
  return out + text.substr(from);
}

bool Contains(const std::string& text, const std::string& part) {
  return LowerAscii(text).find(LowerAscii(part)) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> fields = fuzz::Fields(data, size, 2);
  // The vendor address is compiled in: scheme and a host of address letters.
  std::string host;
  for (char c : fields[0])
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ':')
      host += c;
  if (host.empty() || host.back() == '.') host += 'v';
  const std::string vendor = "http://" + host;
  const std::string& page = fields[1];

  std::string model;
  for (const std::string& line : fuzz::ModelLines(page)) {
    std::string out = ModelReplace(line, vendor + "/assets", "./assets");
    out = ModelReplace(out, "a href=\"" + vendor + "/shop\"",
                       "a href=\"javascript:location.reload(true)\"");
    model += ModelReplace(out, "<body>", "<body oncontextmenu=\"return false;\">") + "\r\n";
  }
  const std::string rewritten = RewriteStartPage(page, vendor);
  Check(rewritten == model, "the rewrite equals the model of its rules");
  Check(!Contains(rewritten, vendor + "/assets"), "no vendor asset address is left");
  Check(!Contains(rewritten, "a href=\"" + vendor + "/shop\""), "no shop link is left");
  Check(!Contains(rewritten, "<body>"), "no bare <body> is left");
  return 0;
}
