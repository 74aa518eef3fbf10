#include "gui_support.h"

#include <glib.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>
#include <wx/app.h>
#include <wx/translation.h>
#include <wx/webview.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "core/data_folder.h"
#include "core/text_file.h"
#include "platform/dark_style.h"
#include "platform/live_wait.h"
#include "platform/ui_language.h"

namespace fs = std::filesystem;

namespace zovaz::testing {

namespace {

void PumpOnce() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
  if (wxTheApp != nullptr) {
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
  }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    PumpOnce();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

void PumpFor(int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  PumpUntil([&] { return std::chrono::steady_clock::now() > deadline; }, ms + 1000);
}

ScopedCzechToolkit::ScopedCzechToolkit() {
  UseCzechMessages();
  LoadToolkitTranslations();
}

ScopedCzechToolkit::~ScopedCzechToolkit() {
  wxTranslations::Set(nullptr);
  std::setlocale(LC_MESSAGES, "C");
}

namespace {

// Every widget below `widget`, the toolkit's internal children included.
void ForEachWidget(GtkWidget* widget, const std::function<void(GtkWidget*)>& visit) {
  visit(widget);
  if (!GTK_IS_CONTAINER(widget)) return;
  gtk_container_forall(
      GTK_CONTAINER(widget),
      [](GtkWidget* child, gpointer data) {
        ForEachWidget(child, *static_cast<const std::function<void(GtkWidget*)>*>(data));
      },
      const_cast<std::function<void(GtkWidget*)>*>(&visit));
}

void ForEachShownWidget(const std::function<void(GtkWidget*)>& visit) {
  GList* windows = gtk_window_list_toplevels();
  for (GList* window = windows; window != nullptr; window = window->next) {
    GtkWidget* widget = GTK_WIDGET(window->data);
    if (!gtk_widget_get_mapped(widget)) continue;
    ForEachWidget(widget, [&](GtkWidget* child) {
      if (gtk_widget_get_mapped(child)) visit(child);
    });
  }
  g_list_free(windows);
}

// What a button shows: its label widget's text, whatever it is made of.
std::string ButtonCaption(GtkWidget* button) {
  std::string caption;
  ForEachWidget(button, [&](GtkWidget* child) {
    if (GTK_IS_LABEL(child)) caption += gtk_label_get_text(GTK_LABEL(child));
  });
  return caption;
}

}  // namespace

std::vector<std::string> ShownTexts() {
  std::vector<std::string> texts;
  ForEachShownWidget([&](GtkWidget* widget) {
    if (GTK_IS_LABEL(widget)) texts.push_back(gtk_label_get_text(GTK_LABEL(widget)));
  });
  return texts;
}

bool ClickShownButton(const std::string& caption) {
  GtkWidget* found = nullptr;
  ForEachShownWidget([&](GtkWidget* widget) {
    if (found == nullptr && GTK_IS_BUTTON(widget) && ButtonCaption(widget) == caption)
      found = widget;
  });
  if (found != nullptr) gtk_button_clicked(GTK_BUTTON(found));
  return found != nullptr;
}

// A real box shown while input is held could never be answered.
void RecordingMessages::Inform(const std::string& text) {
  EXPECT_FALSE(InputIsHeld()) << text;
  messages.push_back({false, text});
  if (whileShown) whileShown(messages.back());
}

void RecordingMessages::Error(const std::string& text) {
  EXPECT_FALSE(InputIsHeld()) << text;
  messages.push_back({true, text});
  if (whileShown) whileShown(messages.back());
}

int RecordingMessages::Choose(const std::string& text, const std::vector<std::string>& choices) {
  EXPECT_FALSE(InputIsHeld()) << text;
  messages.push_back({false, text, choices});
  if (whileShown) whileShown(messages.back());
  return choice;
}

void ClientTest::SetUp() {
  ASSERT_GT(shop.Start(), 0);
  fs::copy(ZOVAZ_DATA_DIR, exeDir_.path(), fs::copy_options::recursive);
  WriteFile(exeDir_.path() + "/app.cfg", JoinTextLines({shop.BaseUrl(), "", "", "0"}));
}

void ClientTest::TearDown() { CloseClient(); }

TForm1Environment ClientTest::Environment() {
  TForm1Environment environment;
  environment.localAppData = appData_.path();
  environment.exeDir = exeDir_.path();
  environment.vendorSiteUrl = shop.BaseUrl();
  environment.vendorSiteName = vendorSiteName;
  environment.messages = &recorder;
  environment.openLink = [this](const std::string& url) {
    openedLinks.push_back(url);
    return true;
  };
  environment.openFile = [this](const std::string& path) {
    openedFiles.push_back(path);
    return filesOpen;
  };
  environment.download.connectTimeoutMs = 2000;
  environment.download.stallTimeoutMs = 2000;
  return environment;
}

void ClientTest::PrepareDataFolder(const std::string& user, const std::string& digest,
                                   const std::string& autoLogin) {
  RunSetup(exeDir_.path(), DataDir());
  WriteFile(DataDir() + "/app.cfg", JoinTextLines({shop.BaseUrl(), user, digest, autoLogin}));
}

TForm1* ClientTest::StartClient() {
  form = new TForm1(Environment());
  // `form` is cleared before the window is gone: a late navigation must
  // still reach the window it belongs to.
  form->WebBrowser_V11->OnNavigateComplete([this, window = form](const std::string& address) {
    ++navigations_;
    window->WebBrowser_V11NavigateComplete(address);
  });
  form->Show();
  return form;
}

bool ClientTest::WaitForNavigation(int before, int timeoutMs) {
  return PumpUntil([&] { return navigations_ > before; }, timeoutMs);
}

void ClientTest::CloseClient() {
  if (form == nullptr) return;
  form->Destroy();
  form = nullptr;
  PumpFor(50);
}

void ClientTest::Click(wxMenuItem* item) {
  wxCommandEvent click(wxEVT_MENU, item->GetId());
  form->ProcessWindowEvent(click);
}

std::string ClientTest::ShownAddress() { return form->WebBrowser_V11->CurrentAddress(); }

namespace {

// From outside the window, so a window just opened under the pointer
// learns that the pointer, and so the keys, are its.
std::string PointAt(wxWindow* view, int x, int y) {
  const wxPoint at = view->GetScreenPosition() + wxPoint(x, y);
  return "xdotool mousemove 0 0 sleep 0.05 mousemove " + std::to_string(at.x) + " " +
         std::to_string(at.y) + " sleep 0.05";
}

}  // namespace

void ClientTest::Input(const std::string& actions, int x, int y) {
  form->Raise();
  const std::string command = PointAt(form->WebBrowser_V11->Widget(), x, y) + " " + actions;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  PumpFor(200);
}

void ClientTest::InputWhileRunning(const std::vector<std::string>& steps) {
  form->Raise();
  std::string command = "(" + PointAt(form->WebBrowser_V11->Widget(), 300, 300);
  for (const std::string& step : steps) command += "; xdotool " + step;
  command += ") >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string ClientTest::EvalInPage(const std::string& script) {
  wxString output;
  if (!form->WebBrowser_V11->Widget()->RunScript(wxString::FromUTF8(script), &output)) return "";
  return std::string(output.utf8_str());
}

std::vector<wxColour> ScreenPixels(const wxRect& rect) {
  std::vector<wxColour> colours;
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), rect.x, rect.y,
                                               rect.width, rect.height);
  if (shot == nullptr) return colours;
  const int stride = gdk_pixbuf_get_rowstride(shot);
  const int channels = gdk_pixbuf_get_n_channels(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  for (int y = 0; y < rect.height; ++y) {
    for (int x = 0; x < rect.width; ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      colours.emplace_back(p[0], p[1], p[2]);
    }
  }
  g_object_unref(shot);
  return colours;
}

double ContrastOver(const wxRect& rect) {
  const std::vector<wxColour> pixels = ScreenPixels(rect);
  std::map<wxUint32, int> counts;
  for (const wxColour& pixel : pixels) ++counts[pixel.GetRGB()];
  if (counts.empty()) return 0;
  wxColour background;
  background.SetRGB(
      std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
        return a.second < b.second;
      })->first);
  double best = 1;
  for (const wxColour& pixel : pixels) best = std::max(best, ContrastRatio(pixel, background));
  return best;
}

}  // namespace zovaz::testing
