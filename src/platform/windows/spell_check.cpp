#include "platform/spell_check.h"

#include "platform/windows/unsupported.h"

namespace zovaz {

// The engine checks spelling as the system's own settings say, if at all;
// it cannot be given a language from outside.
bool CheckSpellingInCzech(void*) {
  LogUnsupportedOnce("spell checking in Czech");
  return false;
}

}  // namespace zovaz
