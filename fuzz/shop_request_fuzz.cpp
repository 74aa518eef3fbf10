// The stand-in shop's answers: no text from the request adds markup (every
// tag and attribute is one the shop writes itself, every value quoted), and
// no text leaves the string of the one script the shop writes.
#include <set>

#include "fuzz_support.h"
#include "shop_routes.h"

using namespace zovaz;
using zovaz::fuzz::Check;

namespace {

std::string Encode(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string DecodeEntities(std::string text) {
  for (const auto& [entity, plain] :
       {std::pair{"&quot;", "\""}, {"&#39;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}}) {
    const std::string e = entity;
    for (size_t at = 0; (at = text.find(e, at)) != std::string::npos; at += 1)
      text.replace(at, e.size(), plain);
  }
  return text;
}

void CheckMarkup(const std::string& html) {
  static const std::set<std::string> tags = {
      "!DOCTYPE", "html",   "head",  "meta",  "title",  "link",    "body",
      "div",      "img",    "span",  "h1",    "h2",     "p",       "a",
      "strong",   "button", "/html", "/head", "/title", "/body",   "/div",
      "/span",    "/h1",    "/h2",   "/p",    "/a",     "/strong", "/button"};
  static const std::set<std::string> attributes = {"html", "lang",   "charset", "name",   "content",
                                                   "rel",  "href",   "src",     "alt",    "class",
                                                   "id",   "target", "type",    "onclick"};
  for (size_t i = html.find('<'); i != std::string::npos; i = html.find('<', i)) {
    size_t at = i + 1;
    const auto word = [&] {
      const size_t start = at;
      while (at < html.size() && html[at] != ' ' && html[at] != '>' && html[at] != '=') ++at;
      return html.substr(start, at - start);
    };
    Check(tags.count(word()) == 1, "every tag is one the shop writes");
    while (at < html.size() && html[at] == ' ') {
      ++at;
      const std::string name = word();
      Check(attributes.count(name) == 1, "every attribute is one the shop writes");
      if (name == "html") continue;  // <!DOCTYPE html>
      Check(at + 1 < html.size() && html[at] == '=' && html[at + 1] == '"', "values are quoted");
      const size_t end = html.find('"', at + 2);
      Check(end != std::string::npos, "values are closed");
      const std::string value = html.substr(at + 2, end - at - 2);
      Check(value.find('<') == std::string::npos, "no markup inside a value");
      if (name == "onclick") {
        const std::string script = DecodeEntities(value);
        const std::string open = "window.open('";
        Check(script.rfind(open, 0) == 0 && script.size() >= open.size() + 2 &&
                  script.compare(script.size() - 2, 2, "')") == 0,
              "the script is the shop's own");
        Check(fuzz::OneScriptString(script, open.size(), script.size() - 2),
              "no text leaves the script's string");
      }
      at = end + 1;
    }
    Check(at < html.size() && html[at] == '>', "every tag is closed where the shop closes it");
    i = at;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> fields = fuzz::Fields(data, size, 4);
  const std::string& host = fields[1];
  const std::string& text = fields[2];
  const std::string& cookie = fields[3];
  const std::string enc = Encode(text);
  const std::string targets[] = {
      "/",
      "/shop",
      "/documents",
      "/remember?choice=" + enc,
      "/" + enc + "/set-compact-mode/logout",
      "/eng/moveup/" + enc + "/movedown/00",
      "/cze/moveup/" + enc + "/movedown/6a284155906c26cbca20c53376bc63ac",
      "/" + enc,
      fields[0]};
  for (const std::string& target : targets) {
    httplib::Request req;
    req.method = "GET";
    req.target = target;
    req.path = target.substr(0, target.find('?'));
    if (!host.empty()) req.headers.emplace("Host", host);
    req.headers.emplace("Cookie", "volba=" + cookie);
    if (target.rfind("/remember?", 0) == 0) req.params.emplace("choice", text);
    httplib::Response res;
    shop::RouteShopRequest(req, res, "http://127.0.0.1:8470");
    if (res.get_header_value("Content-Type").rfind("text/html", 0) == 0) CheckMarkup(res.body);
  }
  return 0;
}
