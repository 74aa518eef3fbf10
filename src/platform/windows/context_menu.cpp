#include "platform/context_menu.h"

#include <wx/webview.h>

#include "platform/windows/unsupported.h"

namespace zovaz {

// The engine's own menu offers to copy shortcuts and to show a page's source
// and properties, which would put the login address (it carries the password
// digest) within reach; it is switched off, and the client's own menu cannot
// be put in its place. Copy and paste stay on their keys.
ContextMenu::ContextMenu(void* nativeView) : view_(nativeView) {
  if (auto* view = static_cast<wxWebView*>(view_)) view->EnableContextMenu(false);
  LogUnsupportedOnce("the client's own context menu");
}

ContextMenu::~ContextMenu() = default;

}  // namespace zovaz
