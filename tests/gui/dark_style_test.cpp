// The desktop's dark preference, as today's desktops publish it (the
// freedesktop portal's color-scheme), reaches the toolkit and the page, and
// the client's own error page follows it.
#include "platform/dark_style.h"

#include <gio/gio.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "gui_support.h"

using zovaz::testing::ClientTest;
using zovaz::testing::PumpUntil;

namespace {

constexpr const char kPortalXml[] =
    "<node><interface name='org.freedesktop.portal.Settings'>"
    "<method name='Read'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='v' direction='out'/></method>"
    "<signal name='SettingChanged'><arg type='s'/><arg type='s'/><arg type='v'/></signal>"
    "</interface></node>";
constexpr const char kPath[] = "/org/freedesktop/portal/desktop";
constexpr const char kInterface[] = "org.freedesktop.portal.Settings";

// A desktop portal on a bus of the test's own that says what `scheme` holds.
class FakePortal {
 public:
  explicit FakePortal(GDBusConnection* bus) : bus_(bus) {
    info_ = g_dbus_node_info_new_for_xml(kPortalXml, nullptr);
    static const GDBusInterfaceVTable vtable = {&FakePortal::Call, nullptr, nullptr, {}};
    registration_ = g_dbus_connection_register_object(bus_, kPath, info_->interfaces[0], &vtable,
                                                      this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(bus_, "org.freedesktop.portal.Desktop",
                                          G_BUS_NAME_OWNER_FLAGS_NONE, nullptr, nullptr, nullptr,
                                          nullptr);
  }
  ~FakePortal() {
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(bus_, registration_);
    g_dbus_node_info_unref(info_);
  }
  void Change(guint32 value) {
    scheme = value;
    g_dbus_connection_emit_signal(bus_, nullptr, kPath, kInterface, "SettingChanged",
                                  g_variant_new("(ssv)", "org.freedesktop.appearance",
                                                "color-scheme", g_variant_new_uint32(value)),
                                  nullptr);
  }
  guint32 scheme = 0;

 private:
  static void Call(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
                   GDBusMethodInvocation* invocation, gpointer self) {
    // Read answers a variant inside a variant.
    GVariant* value =
        g_variant_new_variant(g_variant_new_uint32(static_cast<FakePortal*>(self)->scheme));
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(v)", value));
  }
  GDBusConnection* bus_;
  GDBusNodeInfo* info_;
  guint registration_;
  guint owner_;
};

GDBusConnection* Connect(const char* address) {
  return g_dbus_connection_new_for_address_sync(
      address,
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, nullptr);
}

bool PrefersDark() {
  gboolean dark = FALSE;
  g_object_get(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", &dark, nullptr);
  return dark;
}

class DarkStyleTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    g_object_get(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", &before_,
                 nullptr);
    g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", FALSE, nullptr);
    // The process's own session bus stays as it is; the test's is separate.
    dbus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(dbus_);
    // It takes the display away too, which the web engine's helpers need.
    if (!display_.empty()) g_setenv("DISPLAY", display_.c_str(), TRUE);
    portalSide_ = Connect(g_test_dbus_get_bus_address(dbus_));
    clientSide_ = Connect(g_test_dbus_get_bus_address(dbus_));
    ASSERT_NE(portalSide_, nullptr);
    ASSERT_NE(clientSide_, nullptr);
    portal_ = std::make_unique<FakePortal>(portalSide_);
  }
  void TearDown() override {
    portal_.reset();
    g_dbus_connection_close_sync(clientSide_, nullptr, nullptr);
    g_dbus_connection_close_sync(portalSide_, nullptr, nullptr);
    g_object_unref(clientSide_);
    g_object_unref(portalSide_);
    g_test_dbus_down(dbus_);
    g_object_unref(dbus_);
    g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", before_, nullptr);
    ClientTest::TearDown();
  }
  std::string PageScheme() {
    return EvalInPage("matchMedia('(prefers-color-scheme: dark)').matches ? 'dark' : 'light'");
  }

  // g_test_dbus_down() unsets the address; the process's own comes back.
  zovaz::testing::ScopedEnv keeper_{"DBUS_SESSION_BUS_ADDRESS",
                                    std::getenv("DBUS_SESSION_BUS_ADDRESS")};
  zovaz::testing::ScopedEnv displayKeeper_{"DISPLAY", std::getenv("DISPLAY")};
  std::string display_ = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  gboolean before_ = FALSE;
  GTestDBus* dbus_ = nullptr;
  GDBusConnection* portalSide_ = nullptr;
  GDBusConnection* clientSide_ = nullptr;
  std::unique_ptr<FakePortal> portal_;
};

TEST_F(DarkStyleTest, PortalsDarkPreferenceReachesThePageAndTheErrorPageAndIsFollowedLive) {
  portal_->scheme = 1;
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  zovaz::FollowDesktopColorSchemeOn(clientSide_);
  ASSERT_TRUE(PumpUntil([] { return PrefersDark(); }, 5000)) << "the portal was not followed";
  EXPECT_TRUE(PumpUntil([&] { return PageScheme() == "dark"; }, 5000)) << PageScheme();

  // The client's own page for a shop it cannot reach is dark as well.
  const std::string address = shop.BaseUrl() + "/";
  shop.Stop();
  form->WebBrowser_V11->Navigate(address);
  ASSERT_TRUE(PumpUntil([&] {
    return form->WebBrowser_V11->ShowsErrorPage() &&
           EvalInPage("String(!!document.getElementById('retry'))") == "true";
  }));
  EXPECT_EQ(EvalInPage("getComputedStyle(document.body).backgroundColor"), "rgb(30, 30, 30)");

  // The customer switches the desktop to light: the page follows at once.
  portal_->Change(2);
  ASSERT_TRUE(PumpUntil([] { return !PrefersDark(); }, 5000));
  EXPECT_TRUE(PumpUntil([&] { return PageScheme() == "light"; }, 5000)) << PageScheme();
  EXPECT_EQ(EvalInPage("getComputedStyle(document.body).backgroundColor"), "rgb(244, 244, 244)");
}

TEST(ReadableOn, KeepsTheDesignedColourOnLightAndLiftsItOnDark) {
  const wxColour navy(0, 0, 128);
  EXPECT_EQ(zovaz::ReadableOn(wxColour(239, 239, 239), navy), navy);
  const wxColour dark(53, 53, 53);  // Adwaita:dark's window colour
  const wxColour lifted = zovaz::ReadableOn(dark, navy);
  EXPECT_NE(lifted, navy);
  // Still bluish, and bright enough against the dark window.
  EXPECT_GT(lifted.Blue(), lifted.Red());
  EXPECT_GT(lifted.Red() + lifted.Green() + lifted.Blue(), 3 * 140);
}

}  // namespace
