// The main window during a slow start-up: shown while the shop has not yet
// answered, never with an empty view, and then on the page the start-up
// leads to.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtk/gtk.h>
#include <httplib.h>
#include <webkit2/webkit2.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "common/test_servers.h"
#include "core/lang_table.h"
#include "core/shop_address.h"
#include "core/text_file.h"
#include "gui_support.h"

using zovaz::testing::ClientTest;
using zovaz::testing::PumpUntil;
using Clock = std::chrono::steady_clock;

namespace {

GtkWidget* FindWebView(GtkWidget* widget) {
  if (WEBKIT_IS_WEB_VIEW(widget)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget* found = nullptr;
  for (GList* child = children; child != nullptr && found == nullptr; child = child->next)
    found = FindWebView(GTK_WIDGET(child->data));
  g_list_free(children);
  return found;
}

// What the screen shows of a web view's area after every frame its window
// paints, from the window's first frame on: the number of colours there.
// An empty view (the engine's blank, or the window's grey behind it) has one.
class ViewFrames {
 public:
  ViewFrames() {
    hook_ = g_signal_add_emission_hook(g_signal_lookup("map", GTK_TYPE_WIDGET), 0, &Mapped, this,
                                       nullptr);
  }
  ~ViewFrames() {
    g_signal_remove_emission_hook(g_signal_lookup("map", GTK_TYPE_WIDGET), hook_);
    for (auto [clock, handler] : clocks_) g_signal_handler_disconnect(clock, handler);
  }

  struct Frame {
    Clock::time_point at;
    size_t colours;
  };
  std::vector<Frame> frames;

 private:
  static gboolean Mapped(GSignalInvocationHint*, guint, const GValue* values, gpointer self) {
    auto* probe = static_cast<ViewFrames*>(self);
    GtkWidget* widget = GTK_WIDGET(g_value_get_object(&values[0]));
    if (!GTK_IS_WINDOW(widget) || FindWebView(widget) == nullptr) return TRUE;
    GdkFrameClock* clock = gdk_window_get_frame_clock(gtk_widget_get_window(widget));
    probe->clocks_.emplace_back(
        clock, g_signal_connect(clock, "after-paint", G_CALLBACK(&Painted), widget));
    g_signal_connect(widget, "draw", G_CALLBACK(&Drawing), nullptr);
    probe->current_ = probe;
    return TRUE;
  }

  static gboolean Drawing(GtkWidget*, cairo_t*, gpointer) {
    drew_ = true;
    return FALSE;
  }

  // A frame the window did not draw in shows nothing of it.
  static void Painted(GdkFrameClock*, GtkWidget* window) {
    if (!std::exchange(drew_, false)) return;
    GtkWidget* view = FindWebView(window);
    if (view == nullptr || !gtk_widget_get_mapped(view)) return;
    int x = 0, y = 0, originX = 0, originY = 0;
    gtk_widget_translate_coordinates(view, window, 0, 0, &x, &y);
    gdk_window_get_origin(gtk_widget_get_window(window), &originX, &originY);
    const int width = gtk_widget_get_allocated_width(view);
    const int height = gtk_widget_get_allocated_height(view);
    if (width < 2 || height < 2) return;
    // What the customer sees: the screen, not the window's own buffer.
    GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), originX + x,
                                                 originY + y, width, height);
    if (shot == nullptr) return;
    std::set<uint32_t> colours;
    const guchar* pixels = gdk_pixbuf_get_pixels(shot);
    const int stride = gdk_pixbuf_get_rowstride(shot);
    const int channels = gdk_pixbuf_get_n_channels(shot);
    for (int row = 0; row < height; row += 2) {
      for (int column = 0; column < width; column += 2) {
        const guchar* p = pixels + row * stride + column * channels;
        colours.insert(p[0] << 16 | p[1] << 8 | p[2]);
      }
    }
    g_object_unref(shot);
    current_->frames.push_back({Clock::now(), colours.size()});
  }

  static inline ViewFrames* current_ = nullptr;
  static inline bool drew_ = false;
  gulong hook_ = 0;
  std::vector<std::pair<GdkFrameClock*, gulong>> clocks_;
};

// A shop whose logged-out page comes after 3 s; its probe, style sheet and
// login page come at once.
class SlowShop {
 public:
  explicit SlowShop(std::string page) : page_(std::move(page)) {
    server_.server().Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      if (req.path == zovaz::LogoutPageAddress("", zovaz::kCzechLang)) {
        std::this_thread::sleep_for(std::chrono::seconds(3));
        answered_ = Clock::now();
        res.set_content(page_, "text/html; charset=utf-8");
      } else if (req.path == zovaz::ProbeAddress("")) {
        res.set_content("GIF89a", "image/gif");
      } else if (req.path == zovaz::StyleSheetAddress("")) {
        res.set_content("body { margin: 0 }", "text/css");
      } else {
        res.set_content("<html><body><div id=\"main\">shop of the customer</div></body></html>",
                        "text/html; charset=utf-8");
      }
    });
  }
  std::string Url() const { return server_.Url(""); }
  Clock::time_point Answered() const { return answered_; }

 private:
  std::string page_;
  std::atomic<Clock::time_point> answered_{};
  zovaz::testing::LocalHttpServer server_;
};

enum class Start { kLocalPage, kAutoLogin, kFirstRun };

class StartupShowTest : public ClientTest, public ::testing::WithParamInterface<Start> {};

}  // namespace

TEST_P(StartupShowTest, WindowShowsTheLastPageWhileTheShopIsSlowThenWhereTheStartLeads) {
  const bool autoLogin = GetParam() == Start::kAutoLogin;
  SlowShop slow(
      "<html><head><meta charset=\"utf-8\"></head><body><div id=\"main\">Nová nabídka "
      "týdne</div></body></html>");
  const std::string config = zovaz::JoinTextLines(
      {slow.Url(), zovaz::shop::kDemoUser, zovaz::shop::kDemoDigest, autoLogin ? "1" : "0"});
  // A first run shows the shipped page meanwhile, once the setup is done.
  if (GetParam() == Start::kFirstRun) {
    zovaz::testing::WriteFile(ExeDir() + "/app.cfg", config);
  } else {
    PrepareDataFolder("", "", "0");
    zovaz::testing::WriteFile(DataDir() + "/app.cfg", config);
  }
  TForm1Environment environment = Environment();
  environment.vendorSiteUrl = slow.Url();
  environment.download.stallTimeoutMs = 10000;
  ViewFrames frames;
  form = new TForm1(environment);
  // The page the start-up leads to has been asked for; the window was shown
  // long before, and has been drawn since.
  ASSERT_FALSE(frames.frames.empty());
  EXPECT_LT(frames.frames.front().at, slow.Answered());
  EXPECT_TRUE(form->IsShown());
  const std::string local = "file://" + DataDir() + "/__app/lilindex.html";
  if (autoLogin) {
    EXPECT_TRUE(PumpUntil([&] { return ShownAddress().find("/moveup/") != std::string::npos; }));
  } else {
    EXPECT_TRUE(PumpUntil([&] {
      return ShownAddress() == local &&
             EvalInPage("document.body.textContent").find("Nová nabídka") != std::string::npos;
    }));
  }
  zovaz::testing::PumpFor(300);
  // Not one frame of an empty view, the first included.
  for (const ViewFrames::Frame& frame : frames.frames) EXPECT_GT(frame.colours, 16u);
  EXPECT_EQ(recorder.messages.size(), GetParam() == Start::kFirstRun ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryStart, StartupShowTest,
                         ::testing::Values(Start::kLocalPage, Start::kAutoLogin, Start::kFirstRun));
