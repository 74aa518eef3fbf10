#include "core/loading_script.h"

#include "core/data_files.h"
#include "core/io_error.h"
#include "core/text_file.h"

namespace zovaz {

std::string Base64(const std::string& bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t left = bytes.size() - i;
    unsigned int group = static_cast<unsigned char>(bytes[i]) << 16;
    if (left > 1) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (left > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[(group >> 18) & 63];
    out += kDigits[(group >> 12) & 63];
    out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
    out += left > 2 ? kDigits[group & 63] : '=';
  }
  return out;
}

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
  try {
    return "data:image/png;base64," + Base64(ReadFileBytes(ClockImagePath(dataDir)));
  } catch (const IoError&) {
    return "";
  }
}

std::string LoadingScript(const std::string& loadingText, const std::string& dataDir) {
  const std::string quote = "\"";
  const std::string image = ClockImageUrl(dataDir);
  // The notice belongs to the page being left; should the engine keep that
  // page for "Back", it comes back as it was, not frozen under the notice.
  return "(function(){var m=document.getElementById('main'),o=m.innerHTML;"
         "window.addEventListener('pageshow',function(e){if(e.persisted)m.innerHTML=o;});"
         "m.innerHTML='<div style=" +
         quote +
         "color:#fff;text-align:center;font-weight:bold;position:absolute;width:100%;top:230px;"
         "font-size:12px;" +
         quote + ">" + EscapeForScriptAttribute(loadingText) + "..<br><br>" +
         (image.empty() ? std::string()
                        : "<img alt=" + quote + "Loading.." + quote + " src=" + quote + image +
                              quote + " />") +
         "</div>';})();";
}

}  // namespace zovaz
