#include "gui_support.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <glib.h>
#include <sstream>
#include <thread>
#include <webkit2/webkit2.h>
#include <wx/app.h>
#include <wx/webview.h>

#include "core/data_folder.h"
#include "core/text_file.h"
#include "platform/live_wait.h"

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
  environment.vendorSiteName = "Marlevo";
  environment.messages = &recorder;
  environment.openLink = [this](const std::string& url) {
    openedLinks.push_back(url);
    return true;
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

std::string ClientTest::EvalInPage(const std::string& script) {
  wxString output;
  if (!form->WebBrowser_V11->Widget()->RunScript(wxString::FromUTF8(script), &output)) return "";
  return std::string(output.utf8_str());
}

}  // namespace zovaz::testing
