#include "platform/view_keys.h"

#include <gtk/gtk.h>
#include <wx/defs.h>

namespace zovaz {

namespace {

int KeyCodeOf(guint keyval) {
  switch (keyval) {
    case GDK_KEY_F5:
      return WXK_F5;
    case GDK_KEY_F7:
      return WXK_F7;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      return WXK_LEFT;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      return WXK_RIGHT;
    case GDK_KEY_Escape:
      return WXK_ESCAPE;
    case GDK_KEY_KP_Add:
      return WXK_NUMPAD_ADD;
    case GDK_KEY_KP_Subtract:
      return WXK_NUMPAD_SUBTRACT;
    case GDK_KEY_KP_0:
    case GDK_KEY_KP_Insert:
      return WXK_NUMPAD0;
    default:
      break;
  }
  const guint32 character = gdk_keyval_to_unicode(gdk_keyval_to_upper(keyval));
  return character > 0x20 && character < 0x7F ? static_cast<int>(character) : WXK_NONE;
}

}  // namespace

ViewKeys::ViewKeys(void* nativeView, Handler handler)
    : view_(nativeView), handler_(std::move(handler)) {
  g_signal_connect(view_, "key-press-event", G_CALLBACK(&ViewKeys::HandleKeyPress), this);
}

ViewKeys::~ViewKeys() { g_signal_handlers_disconnect_by_data(view_, this); }

int ViewKeys::HandleKeyPress(void*, void* event, void* self) {
  const auto* key = static_cast<GdkEventKey*>(event);
  const int code = KeyCodeOf(key->keyval);
  if (code == WXK_NONE) return FALSE;
  int modifiers = wxMOD_NONE;
  if (key->state & GDK_CONTROL_MASK) modifiers |= wxMOD_CONTROL;
  if (key->state & GDK_MOD1_MASK) modifiers |= wxMOD_ALT;
  if (key->state & GDK_SHIFT_MASK) modifiers |= wxMOD_SHIFT;
  auto* owner = static_cast<ViewKeys*>(self);
  return owner->handler_ && owner->handler_(code, modifiers) ? TRUE : FALSE;
}

}  // namespace zovaz
