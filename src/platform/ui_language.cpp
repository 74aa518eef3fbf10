#include "platform/ui_language.h"

#include <locale.h>
#include <wx/translation.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace zovaz {

namespace {

constexpr const char* kCzechLocale = "cs_CZ.UTF-8";

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

void UseCzechMessages() {
  // LC_ALL overrides every category, messages included: hand its value to
  // the other categories one by one so only the messages change.
  if (Set("LC_ALL")) {
    const std::string all = std::getenv("LC_ALL");
    for (const char* category :
         {"LC_CTYPE", "LC_NUMERIC", "LC_TIME", "LC_COLLATE", "LC_MONETARY", "LC_PAPER", "LC_NAME",
          "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"})
      setenv(category, all.c_str(), 1);
    unsetenv("LC_ALL");
  }
  // gettext ignores LANGUAGE under the "C" locale, and an uninstalled
  // LC_MESSAGES would make the toolkit drop the whole locale to "C".
  if (locale_t czech = newlocale(LC_MESSAGES_MASK, kCzechLocale, nullptr)) {
    freelocale(czech);
    setenv("LC_MESSAGES", kCzechLocale, 1);
  }
  setenv("LANGUAGE", "cs", 1);
  // wxWidgets keeps GTK from setting the locale, so the messages category
  // would stay "C"; the environment above also reaches the engine's own
  // processes.
  std::setlocale(LC_MESSAGES, "");
}

void LoadToolkitTranslations() {
  // wxLocale would also switch numbers and dates; translations alone do not.
  auto* translations = new wxTranslations;
  translations->SetLanguage("cs");
  translations->AddStdCatalog();
  wxTranslations::Set(translations);
}

}  // namespace zovaz
