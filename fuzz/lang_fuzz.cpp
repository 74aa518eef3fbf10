// The language lookup: unknown texts pass unchanged, known ones come out in
// the chosen column, a translation translates to itself, and each row's
// texts translate into each other.
#include "core/lang_table.h"
#include "fuzz_support.h"

using namespace zovaz;
using zovaz::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> fields = fuzz::Fields(data, size, 3);
  const std::string& vendorName = fields[0];
  const std::string& lang = fields[1];
  const std::string& text = fields[2];
  const std::vector<LangRow> table = LangTable(vendorName);
  const bool czech = lang == kCzechLang;

  Check(table.size() > 8 && table[8].czech == "Přejít na web " + vendorName &&
            table[8].english == "Go to " + vendorName + " website",
        "row 8 carries the vendor's name");
  const std::string result = Translate(table, lang, text);
  bool known = false;
  bool inColumn = false;
  for (const LangRow& row : table) {
    known = known || text == row.czech || text == row.english;
    inColumn = inColumn || result == (czech ? row.czech : row.english);
  }
  Check(known ? inColumn : result == text, "known texts are translated, others pass unchanged");
  Check(Translate(table, lang, result) == result, "a translation translates to itself");
  for (const LangRow& row : table) {
    Check(Translate(table, kCzechLang, row.english) == row.czech &&
              Translate(table, "eng", row.czech) == row.english,
          "a row's texts translate into each other");
  }
  return 0;
}
