// What the GUI suites share: pumping the event loop, temporary folders, a
// recording message sink, and a client started against the stand-in shop.
#pragma once

#include <gtest/gtest.h>
#include <wx/menu.h>
#include <wx/webview.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Unit1.h"
#include "common/test_files.h"
#include "platform/message_box.h"
#include "shop_server.h"

namespace zovaz::testing {

// Runs the event loop until `done` holds or the time is up; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000);
void PumpFor(int ms);

// The toolkit's own texts (stock buttons) in Czech for the rest of the
// scope, the catalogues loaded as the program loads them.
class ScopedCzechToolkit {
 public:
  ScopedCzechToolkit();
  ~ScopedCzechToolkit();

 private:
  ScopedEnv all_{"LC_ALL", std::getenv("LC_ALL")};
  ScopedEnv messages_{"LC_MESSAGES", std::getenv("LC_MESSAGES")};
  ScopedEnv language_{"LANGUAGE", std::getenv("LANGUAGE")};
};

// The texts of every label GTK shows in the toplevel windows on screen, as
// the user reads them; the toolkit's own windows (native dialogs) included.
std::vector<std::string> ShownTexts();
// Clicks the GTK button, in a window on screen, that shows `caption`; false
// when there is none.
bool ClickShownButton(const std::string& caption);

// What the screen shows in `rect` (screen coordinates), row by row.
std::vector<wxColour> ScreenPixels(const wxRect& rect);

// How well the most telling pixel in `rect` (screen coordinates) stands
// out from the most common one, the background: text that reads is 4.5:1.
double ContrastOver(const wxRect& rect);

struct RecordedMessage {
  bool error;
  std::string text;
  std::vector<std::string> choices = {};  // the buttons offered, if any
};

// Records message boxes instead of showing them; an optional hook runs
// while the "box" is up, as the user would act before pressing OK.
class RecordingMessages : public MessageSink {
 public:
  void Inform(const std::string& text) override;
  void Error(const std::string& text) override;
  // Recorded as a notice; the customer's answer is `choice`.
  int Choose(const std::string& text, const std::vector<std::string>& choices) override;
  int choice = -1;
  std::vector<RecordedMessage> messages;
  std::function<void(const RecordedMessage&)> whileShown;
};

// A client window over temporary folders and an in-process stand-in shop.
class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The shipped folder (a copy of data/ with the shop's address in app.cfg).
  std::string ExeDir() const { return exeDir_.path(); }
  std::string LocalAppData() const { return appData_.path(); }
  std::string DataDir() const { return appData_.path() + "/Marlevo"; }
  virtual TForm1Environment Environment();

  // Lays out a data folder that needs no first-run setup, with this config.
  void PrepareDataFolder(const std::string& user, const std::string& digest,
                         const std::string& autoLogin);

  // Creates the main window (running the start-up sequence), shows it and
  // waits for its first navigation to complete.
  TForm1* StartClient();
  void CloseClient();

  // Completed navigations so far, as the window's browser reported them.
  int navigations() const { return navigations_; }
  bool WaitForNavigation(int before, int timeoutMs = 20000);
  std::string ShownAddress();
  // Chooses a menu item as the user would.
  void Click(wxMenuItem* item);
  // Runs a script in the shown page and returns its string result.
  std::string EvalInPage(const std::string& script);
  // Real input through the X server, as a user gives it: the pointer is put
  // over the page at (x, y) of the view first, so keys reach this window.
  // `actions` are xdotool's, e.g. "key ctrl+f" or "click 3".
  void Input(const std::string& actions, int x = 300, int y = 300);
  // The same, one xdotool call per step, given in the background while the
  // caller runs the event loop: for keys meant for a modal window that the
  // first ones open.
  void InputWhileRunning(const std::vector<std::string>& steps);

  shop::ShopServer shop;
  std::string vendorSiteName = "Marlevo";
  RecordingMessages recorder;
  // Addresses the client handed to the desktop's browser.
  std::vector<std::string> openedLinks;
  // Saved files and folders the client asked the desktop to open, and
  // whether an application starts for them.
  std::vector<std::string> openedFiles;
  bool filesOpen = true;
  TForm1* form = nullptr;

 private:
  TempDir appData_;
  TempDir exeDir_;
  int navigations_ = 0;
};

}  // namespace zovaz::testing
