#include "platform/spell_check.h"

#include <webkit2/webkit2.h>

namespace zovaz {

bool CheckSpellingInCzech(void* nativeView) {
  WebKitWebContext* context = webkit_web_view_get_context(WEBKIT_WEB_VIEW(nativeView));
  const gchar* const languages[] = {kSpellingLanguage, nullptr};
  webkit_web_context_set_spell_checking_languages(context, languages);
  webkit_web_context_set_spell_checking_enabled(context, TRUE);
  // The engine drops a language it has no dictionary for.
  const gchar* const* inUse = webkit_web_context_get_spell_checking_languages(context);
  return inUse != nullptr && inUse[0] != nullptr;
}

}  // namespace zovaz
