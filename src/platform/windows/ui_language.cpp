#include "platform/ui_language.h"

#include <wx/translation.h>

namespace zovaz {

// Windows' own dialogs speak the language of the installed system; only
// wxWidgets' texts can be chosen.
void UseCzechMessages() {}

void LoadToolkitTranslations() {
  // wxLocale would also switch numbers and dates; translations alone do not.
  auto* translations = new wxTranslations;
  translations->SetLanguage("cs");
  translations->AddStdCatalog();
  wxTranslations::Set(translations);
}

}  // namespace zovaz
