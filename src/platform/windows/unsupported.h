// What the Linux desktop offers and Windows' web view does not: told once in
// the verbose log, so that a missing extra is never a silent surprise.
#pragma once

namespace zovaz {

// `what` names the extra that does nothing on this system.
void LogUnsupportedOnce(const char* what);

}  // namespace zovaz
