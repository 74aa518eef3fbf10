#include "core/loading_script.h"

#include <cstdio>

namespace zovaz {

namespace {

std::string PercentByte(unsigned char c) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%%%02X", c);
  return buf;
}

// Characters that cannot stand in a URL path as they are.
bool NeedsEncodingInFileUrl(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return true;
  switch (c) {
    case '"':
    case '#':
    case '%':
    case '<':
    case '>':
    case '?':
    case '[':
    case '\\':
    case ']':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string EscapeForScriptAttribute(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\'':
        out += "\\'";
        break;
      case '"':
        out += "&quot;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ClockImageUrl(const std::string& dataDir) {
  std::string out = "file://";
  for (unsigned char c : dataDir + "/__app/assets/images/clock.png") {
    out += NeedsEncodingInFileUrl(c) ? PercentByte(c) : std::string(1, static_cast<char>(c));
  }
  return out;
}

std::string LoadingScript(const std::string& loadingText, const std::string& dataDir) {
  const std::string quote = "\"";
  return "document.getElementById('main').innerHTML='<div style=" + quote +
         "color:#fff;text-align:center;font-weight:bold;position:absolute;width:100%;top:230px;"
         "font-size:12px;" +
         quote + ">" + EscapeForScriptAttribute(loadingText) + "..<br><br><img alt=" + quote +
         "Loading.." + quote + " src=" + quote + EscapeForScriptAttribute(ClockImageUrl(dataDir)) +
         quote + " /></div>'";
}

}  // namespace zovaz
