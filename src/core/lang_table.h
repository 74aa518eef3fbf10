// The two-column Czech/English table every visible text passes through.
#pragma once

#include <string>
#include <vector>

namespace zovaz {

struct LangRow {
  std::string czech;
  std::string english;
};

// The rows in table order; row 8 carries the vendor site's display name.
std::vector<LangRow> LangTable(const std::string& vendorSiteName);

// The language code that selects the Czech column; any other selects English.
inline constexpr const char* kCzechLang = "cze";

// True when either column holds `text` exactly.
bool HasRow(const std::vector<LangRow>& table, const std::string& text);

// `text` in the language `lang` when either column holds it exactly,
// otherwise `text` unchanged.
std::string Translate(const std::vector<LangRow>& table, const std::string& lang,
                      const std::string& text);

}  // namespace zovaz
