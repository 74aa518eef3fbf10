// The web view adapter on real pages: navigation, scripts, completion.
#include "platform/browser_view.h"

#include <wx/frame.h>
#include <wx/webview.h>

#include "gui_support.h"

using zovaz::BrowserView;
using zovaz::ScriptError;
using zovaz::testing::PumpUntil;
using zovaz::testing::TempDir;
using zovaz::testing::WriteFile;

namespace {

class BrowserViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_ = new wxFrame(nullptr, wxID_ANY, "browser view test");
    view_ = std::make_unique<BrowserView>(frame_);
    view_->OnNavigateComplete(
        [this](const std::string& address) { completed_.push_back(address); });
    frame_->SetClientSize(400, 300);
    frame_->Show();
  }
  void TearDown() override {
    view_.reset();
    frame_->Destroy();
    zovaz::testing::PumpFor(50);
  }
  bool NavigateAndWait(const std::string& address) {
    const size_t before = completed_.size();
    view_->Navigate(address);
    return PumpUntil([&] { return completed_.size() > before; });
  }
  std::string Eval(const std::string& script) {
    wxString out;
    view_->Widget()->RunScript(wxString::FromUTF8(script), &out);
    return std::string(out.utf8_str());
  }

  wxFrame* frame_ = nullptr;
  std::unique_ptr<BrowserView> view_;
  std::vector<std::string> completed_;
  TempDir dir_;
};

}  // namespace

TEST_F(BrowserViewTest, ScriptsBeforeAnyDocumentDoNothing) {
  EXPECT_FALSE(view_->HasDocument());
  EXPECT_NO_THROW(view_->RunScript("document.getElementById('main').innerHTML='x'"));
  EXPECT_EQ(view_->CurrentAddress(), "");
}

TEST_F(BrowserViewTest, LocalFileWithAwkwardNameLoadsAndReportsCompletion) {
  const std::string path = dir_.path() + "/o'brien & co #1.html";
  WriteFile(path,
            "<html><head><meta charset=\"utf-8\"></head><body><div id=\"main\">local čeština</div>"
            "</body></html>");
  ASSERT_TRUE(NavigateAndWait(path));
  EXPECT_EQ(Eval("document.getElementById('main').textContent"), "local čeština");
  EXPECT_EQ(completed_.back(), zovaz::FileUrl(path));
}

TEST_F(BrowserViewTest, RunScriptHasRunWhenItReturns) {
  const std::string path = dir_.path() + "/page.html";
  WriteFile(path, "<html><body><div id=\"main\">before</div></body></html>");
  ASSERT_TRUE(NavigateAndWait(path));
  view_->RunScript("document.getElementById('main').innerHTML='after'");
  EXPECT_EQ(Eval("document.getElementById('main').innerHTML"), "after");
}

TEST_F(BrowserViewTest, FailingScriptRaisesTheEnginesMessage) {
  const std::string path = dir_.path() + "/nomain.html";
  WriteFile(path, "<html><body><p>no main here</p></body></html>");
  ASSERT_TRUE(NavigateAndWait(path));
  try {
    view_->RunScript("document.getElementById('main').innerHTML='x'");
    FAIL() << "the script should have failed";
  } catch (const ScriptError& e) {
    EXPECT_NE(std::string(e.what()).find("TypeError"), std::string::npos) << e.what();
  }
}

TEST_F(BrowserViewTest, HttpPagesLoadFromTheShop) {
  zovaz::shop::ShopServer shop;
  ASSERT_GT(shop.Start(), 0);
  ASSERT_TRUE(NavigateAndWait(shop.BaseUrl() + "/cze/set-compact-mode/logout"));
  EXPECT_EQ(view_->CurrentAddress(), shop.BaseUrl() + "/cze/set-compact-mode/logout");
  EXPECT_EQ(Eval("String(!!document.getElementById('main'))"), "true");
}
