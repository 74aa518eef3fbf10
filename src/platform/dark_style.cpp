#include "platform/dark_style.h"

#include <gio/gio.h>
#include <gtk/gtk.h>
#include <wx/log.h>
#include <wx/window.h>

#include <algorithm>
#include <cmath>
#include <list>

namespace zovaz {

namespace {

constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kSettings = "org.freedesktop.portal.Settings";
constexpr const char* kAppearance = "org.freedesktop.appearance";
constexpr const char* kColorScheme = "color-scheme";
constexpr int kPreferDark = 1;
constexpr int kPreferLight = 2;
constexpr int kPortalTimeoutMs = 3000;

// What the setting was before the portal spoke: "no preference" returns to it.
struct Follower {
  gboolean themeDefault = FALSE;
};

// The portal's value or -1: an unknown value changes nothing.
int SchemeOf(GVariant* value) {
  while (value != nullptr && g_variant_is_of_type(value, G_VARIANT_TYPE_VARIANT)) {
    GVariant* inner = g_variant_get_variant(value);
    g_variant_unref(value);
    value = inner;
  }
  int scheme = -1;
  if (value != nullptr && g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) {
    const guint32 raw = g_variant_get_uint32(value);
    if (raw <= kPreferLight) scheme = static_cast<int>(raw);
  }
  if (value != nullptr) g_variant_unref(value);
  return scheme;
}

void Apply(const Follower& follower, int scheme) {
  if (scheme < 0) return;
  const gboolean dark = scheme == kPreferDark    ? TRUE
                        : scheme == kPreferLight ? FALSE
                                                 : follower.themeDefault;
  g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", dark, nullptr);
}

void SettingChanged(GDBusConnection*, const char*, const char*, const char*, const char*,
                    GVariant* parameters, gpointer data) {
  const char* group = nullptr;
  const char* key = nullptr;
  GVariant* value = nullptr;
  g_variant_get(parameters, "(&s&sv)", &group, &key, &value);
  if (g_strcmp0(group, kAppearance) == 0 && g_strcmp0(key, kColorScheme) == 0) {
    Apply(*static_cast<Follower*>(data), SchemeOf(value));
  } else {
    g_variant_unref(value);
  }
}

void ReadDone(GObject* bus, GAsyncResult* result, gpointer data) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, &error);
  if (reply == nullptr) {
    // No portal on this desktop: the theme alone decides, as before.
    wxLogVerbose("The desktop's colour preference could not be read: %s", error->message);
    g_error_free(error);
    return;
  }
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  g_variant_unref(reply);
  Apply(*static_cast<Follower*>(data), SchemeOf(value));
}

}  // namespace

wxColour ThemeBackground(wxWindow* window) {
  GtkStyleContext* style = gtk_widget_get_style_context(window->GetHandle());
  GdkRGBA* rgba = nullptr;
  gtk_style_context_get(style, gtk_style_context_get_state(style),
                        GTK_STYLE_PROPERTY_BACKGROUND_COLOR, &rgba, nullptr);
  // A widget the theme leaves transparent shows what wxWidgets paints.
  wxColour colour = window->GetBackgroundColour();
  if (rgba != nullptr && rgba->alpha > 0) {
    const auto channel = [](double c) { return static_cast<unsigned char>(std::lround(c * 255)); };
    colour = wxColour(channel(rgba->red), channel(rgba->green), channel(rgba->blue));
  }
  if (rgba != nullptr) gdk_rgba_free(rgba);
  return colour;
}

ThemeWatch::ThemeWatch(wxWindow* window, std::function<void()> restyled)
    : widget_(window->GetHandle()), restyled_(std::move(restyled)) {
  g_signal_connect(widget_, "style-updated", G_CALLBACK(&ThemeWatch::Restyled), this);
}

ThemeWatch::~ThemeWatch() { g_signal_handlers_disconnect_by_data(widget_, this); }

void ThemeWatch::Restyled(void*, void* self) { static_cast<ThemeWatch*>(self)->restyled_(); }

void FollowDesktopColorSchemeOn(GDBusConnection* bus) {
  if (bus == nullptr) return;
  // Lives as long as the program: the subscription never ends. Kept where
  // the program can still reach it, so that it is no leak.
  static std::list<Follower> followers;
  Follower* follower = &followers.emplace_back();
  g_object_get(gtk_settings_get_default(), "gtk-application-prefer-dark-theme",
               &follower->themeDefault, nullptr);
  g_dbus_connection_signal_subscribe(bus, kPortal, kSettings, "SettingChanged", kPortalPath,
                                     nullptr, G_DBUS_SIGNAL_FLAGS_NONE, SettingChanged, follower,
                                     nullptr);
  g_dbus_connection_call(bus, kPortal, kPortalPath, kSettings, "Read",
                         g_variant_new("(ss)", kAppearance, kColorScheme), G_VARIANT_TYPE("(v)"),
                         G_DBUS_CALL_FLAGS_NONE, kPortalTimeoutMs, nullptr, ReadDone, follower);
}

void FollowDesktopColorScheme() {
  g_bus_get(
      G_BUS_TYPE_SESSION, nullptr,
      [](GObject*, GAsyncResult* result, gpointer) {
        GError* error = nullptr;
        GDBusConnection* bus = g_bus_get_finish(result, &error);
        if (bus == nullptr) {
          wxLogVerbose("No session bus to ask for the desktop's colour preference: %s",
                       error->message);
          g_error_free(error);
          return;
        }
        FollowDesktopColorSchemeOn(bus);
      },
      nullptr);
}

}  // namespace zovaz
