// The login address has one path segment per field and its user segment
// decodes back to the name; the loading script's text never leaves its
// string, and its markup stays the notice's own.
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "core/loading_script.h"
#include "core/shop_address.h"
#include "crypto/password_digest.h"
#include "fuzz_support.h"

using namespace zovaz;
using zovaz::fuzz::Check;

namespace {

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::vector<std::string> Split(const std::string& text, char at) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == at) {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

// The segment's bytes, or "\x01" when it holds anything but unreserved
// characters and upper-case %XX escapes.
std::string DecodeSegment(const std::string& segment) {
  std::string out;
  for (size_t i = 0; i < segment.size(); ++i) {
    const char c = segment[i];
    if (c == '%' && i + 2 < segment.size() + 0 && Hex(segment[i + 1]) >= 0 &&
        Hex(segment[i + 2]) >= 0) {
      out += static_cast<char>(Hex(segment[i + 1]) * 16 + Hex(segment[i + 2]));
      i += 2;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '-' || c == '.' || c == '_' || c == '~') {
      out += c;
    } else {
      return "\x01";
    }
  }
  return out;
}

std::string DecodeEntities(std::string text) {
  for (const auto& [entity, plain] :
       {std::pair{"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
    const std::string e = entity;
    for (size_t at = 0; (at = text.find(e, at)) != std::string::npos; at += 1)
      text.replace(at, e.size(), plain);
  }
  return text;
}

// The tags of the markup, attribute values skipped: "<div style=\"..\">"
// counts as "div".
std::vector<std::string> TagNames(const std::string& html) {
  std::vector<std::string> names;
  for (size_t i = html.find('<'); i != std::string::npos; i = html.find('<', i + 1)) {
    size_t end = i + 1;
    while (end < html.size() && html[end] != ' ' && html[end] != '>') ++end;
    names.push_back(html.substr(i + 1, end - i - 1));
  }
  return names;
}

// A data folder with a notice image, made once: the script carries the
// image's bytes, some of which would end a string or a tag unescaped.
class FolderWithClock {
 public:
  FolderWithClock() {
    char pattern[] = "/tmp/zovaz-fuzz-XXXXXX";
    path = mkdtemp(pattern) != nullptr ? pattern : "";
    std::filesystem::create_directories(path + "/__app/assets/images");
    std::ofstream(path + "/__app/assets/images/clock.png", std::ios::binary)
        << "\x89PNG\r\n\x1a\n'\"<&>\\";
  }
  ~FolderWithClock() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> fields = fuzz::Fields(data, size, 3);
  const std::string& user = fields[0];
  // The settings dialog refuses these: they would be dot segments.
  if (user != "." && user != "..") {
    const std::string digest = PasswordDigest(fields[1]);
    const std::string server = "http://127.0.0.1:8470";
    const std::string address = LoginAddress(server, "cze", user, digest);
    Check(address.rfind(server + "/", 0) == 0, "the address begins with the server");
    const auto segments = Split(address.substr(server.size() + 1), '/');
    Check(segments.size() == 5, "one path segment per field");
    Check(segments[0] == "cze" && segments[1] == "moveup" && segments[3] == "movedown" &&
              segments[4] == digest,
          "the fixed segments and the digest stand in place");
    Check(DecodeSegment(segments[2]) == user, "the user segment decodes back to the name");
  }

  const std::string& text = fields[1];
  static const FolderWithClock folder;
  const std::string script = LoadingScript(text, folder.path);
  const std::string opening = "m.innerHTML='";
  const std::string closing = "';})();";
  const size_t start = script.find(opening);
  Check(start != std::string::npos && script.size() > closing.size() &&
            script.compare(script.size() - closing.size(), closing.size(), closing) == 0,
        "the script has its one notice statement");
  const size_t valueStart = start + opening.size();
  const size_t valueEnd = script.size() - closing.size();
  Check(fuzz::OneScriptString(script, valueStart, valueEnd),
        "the text never leaves the script's string");

  // The string's value as the engine sees it, then as markup.
  std::string value;
  for (size_t i = valueStart; i < valueEnd; ++i) {
    char c = script[i];
    if (c == '\\') {
      c = script[++i];
      if (c == 'n') c = '\n';
      if (c == 'r') c = '\r';
    }
    value += c;
  }
  Check(TagNames(value) == std::vector<std::string>{"div", "br", "br", "img", "/div"},
        "the text adds no markup");
  const size_t src = value.find(" src=\"");
  Check(src != std::string::npos, "the image has its address");
  const size_t srcEnd = value.find('"', src + 6);
  Check(DecodeEntities(value.substr(src + 6, srcEnd - src - 6)) == ClockImageUrl(folder.path),
        "the image address stays whole");
  Check(value.find("\" />") == srcEnd, "the address is the last attribute");
  return 0;
}
