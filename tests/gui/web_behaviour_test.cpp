// What users expect of the shop window beyond showing pages: cookies that
// outlive a restart, new windows handed to their browser, downloads saved
// whole where they chose.
#include <sys/stat.h>
#include <webkit2/webkit2.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include "gui_support.h"
#include "plain_server.h"
#include "platform/web_data.h"
#include "platform/web_downloads.h"
#include "shop_pages.h"

namespace fs = std::filesystem;
using zovaz::DownloadOutcome;
using zovaz::testing::ClientTest;
using zovaz::testing::ListFolder;
using zovaz::testing::ModeOf;
using zovaz::testing::Names;
using zovaz::testing::PumpUntil;
using zovaz::testing::ReadFile;
using zovaz::testing::TempDir;
using zovaz::testing::WriteFile;

namespace {

class WebBehaviourTest : public ClientTest {
 protected:
  void StartOn(const std::string& path) {
    StartClient();
    ASSERT_TRUE(WaitForNavigation(0));
    ShowShopPage(path);
  }
  void ShowShopPage(const std::string& path) {
    const int before = navigations();
    form->WebBrowser_V11->Navigate(shop.BaseUrl() + path);
    ASSERT_TRUE(WaitForNavigation(before));
  }
  std::string Remembered() {
    return EvalInPage("document.getElementById('remembered').textContent");
  }
};

// --- cookies ---------------------------------------------------------------

class WebBehaviourCookies : public WebBehaviourTest {
 protected:
  std::string Store() { return zovaz::CookieStorePath(zovaz::WebDataFolder(DataDir())); }

  // The engine outlives the window in this process and would still hold
  // the cookie in memory; a restart has only what reached the disk.
  void ForgetCookiesInMemory() {
    WebKitCookieManager* cookies = webkit_website_data_manager_get_cookie_manager(
        webkit_web_context_get_website_data_manager(webkit_web_context_get_default()));
    webkit_cookie_manager_set_persistent_storage(cookies,
                                                 (scratch_.path() + "/other.sqlite").c_str(),
                                                 WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
    zovaz::testing::PumpFor(100);
  }

  TempDir scratch_;
};

TEST_F(WebBehaviourCookies, ShopCookieComesBackAfterARestart) {
  PrepareDataFolder("", "", "0");
  StartOn("/remember?choice=modra");
  EXPECT_EQ(Remembered(), "");  // first visit: nothing to send back yet
  CloseClient();

  // On disk, owner-only, before the next window exists.
  ASSERT_TRUE(fs::exists(Store()));
  EXPECT_EQ(ModeOf(zovaz::WebDataFolder(DataDir())), 0700u);
  EXPECT_EQ(ModeOf(Store()), 0600u);
  EXPECT_NE(ReadFile(Store()).find("modra"), std::string::npos);

  ForgetCookiesInMemory();
  StartOn("/remember");
  EXPECT_EQ(Remembered(), "modra");
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(WebBehaviourCookies, OpenStoreLeftByAnotherProgramIsNarrowedToTheOwner) {
  PrepareDataFolder("", "", "0");
  const std::string folder = zovaz::WebDataFolder(DataDir());
  fs::create_directory(folder);
  chmod(folder.c_str(), 0755);
  WriteFile(Store(), "");
  chmod(Store().c_str(), 0644);
  StartOn("/remember?choice=zelena");
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(Store()), 0600u);
}

TEST_F(WebBehaviourCookies, UnusableStoreStillLetsTheShopWork) {
  PrepareDataFolder("", "", "0");
  ForgetCookiesInMemory();  // nothing left over from an earlier window
  // A file where the folder belongs: cookies last for this run only.
  WriteFile(zovaz::WebDataFolder(DataDir()), "not a folder");
  StartOn("/remember?choice=cervena");
  ShowShopPage("/remember");
  EXPECT_EQ(Remembered(), "cervena");
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(WebBehaviourCookies, EnginesOwnSiteDataIsOwnerOnly) {
  PrepareDataFolder("", "", "0");
  StartOn("/remember?choice=modra");
  EvalInPage("localStorage.setItem('kosik', '3'); 'ok'");
  // The engine names these folders after the program.
  const std::string name = g_get_prgname();
  EXPECT_EQ(ModeOf(std::string(g_get_user_data_dir()) + "/" + name), 0700u);
  EXPECT_EQ(ModeOf(std::string(g_get_user_cache_dir()) + "/" + name), 0700u);
}

// --- new windows -----------------------------------------------------------

class WebBehaviourNewWindows : public WebBehaviourTest {
 protected:
  void SetUp() override {
    WebBehaviourTest::SetUp();
    PrepareDataFolder("", "", "0");
    StartOn("/documents");
  }
  bool WaitForOpened(size_t count) {
    return PumpUntil([&] { return openedLinks.size() >= count; }, 5000);
  }
};

TEST_F(WebBehaviourNewWindows, LinkWithBlankTargetGoesToTheBrowserAndTheWindowStays) {
  const int before = navigations();
  EvalInPage("document.querySelector('a[target=_blank]').click()");
  ASSERT_TRUE(WaitForOpened(1));
  EXPECT_EQ(openedLinks[0], shop.BaseUrl() + "/");
  zovaz::testing::PumpFor(300);
  EXPECT_EQ(openedLinks.size(), 1u);
  EXPECT_EQ(navigations(), before);
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");
}

TEST_F(WebBehaviourNewWindows, WindowOpenGoesToTheBrowserWithTheExactAddress) {
  EvalInPage("document.getElementById('shop').click()");
  ASSERT_TRUE(WaitForOpened(1));
  EXPECT_EQ(openedLinks[0], shop.BaseUrl() + "/shop");

  const std::string address = shop.BaseUrl() + "/shop?q=pap%C3%ADr%20A4&strana=2#nabidka";
  EvalInPage("window.open('" + address + "'); 'ok'");
  ASSERT_TRUE(WaitForOpened(2));
  EXPECT_EQ(openedLinks[1], address);
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");
}

TEST_F(WebBehaviourNewWindows, NonWebAddressesAreNotHandedOn) {
  EvalInPage("window.open('mailto:obchod@example.invalid'); 'ok'");
  EvalInPage("window.open('" + shop.BaseUrl() + "/shop'); 'ok'");
  ASSERT_TRUE(WaitForOpened(1));
  zovaz::testing::PumpFor(300);
  EXPECT_EQ(openedLinks, std::vector<std::string>{shop.BaseUrl() + "/shop"});
}

// --- downloads -------------------------------------------------------------

class WebBehaviourDownloads : public WebBehaviourTest {
 protected:
  void SetUp() override {
    WebBehaviourTest::SetUp();
    downloadDir_.emplace("XDG_DOWNLOAD_DIR", downloads_.path().c_str());
    PrepareDataFolder("", "", "0");
    StartOn("/documents");
    form->WebBrowser_V11->Downloads().OnFinished(
        [this](const DownloadOutcome& outcome) { outcome_ = outcome; });
  }
  void TearDown() override {
    WebBehaviourTest::TearDown();
    downloadDir_.reset();
  }
  // The user's answer to "where to save"; records what they were offered.
  void Answer(const std::string& path) {
    form->WebBrowser_V11->Downloads().SetChooser(
        [this, path](const std::string& name, const std::string& folder) {
          offeredName_ = name;
          offeredFolder_ = folder;
          return path;
        });
  }
  bool Download(const std::string& linkScript) {
    EvalInPage(linkScript);
    return PumpUntil([&] { return outcome_.has_value(); });
  }
  std::string Folder() const { return downloads_.path(); }
  // The one box the end of a download brings up.
  zovaz::testing::RecordedMessage AwaitMessage() {
    PumpUntil([&] { return !recorder.messages.empty(); }, 5000);
    zovaz::testing::PumpFor(100);
    if (recorder.messages.size() != 1) return {false, std::to_string(recorder.messages.size())};
    return recorder.messages[0];
  }
  void ExpectFailureMessage(const std::string& path) {
    const auto message = AwaitMessage();
    EXPECT_TRUE(message.error);
    EXPECT_EQ(message.text, "Stahování se nezdařilo, soubor nebyl uložen:\n" + path);
  }
  std::string Caption() { return std::string(form->GetTitle().utf8_str()); }

  std::optional<DownloadOutcome> outcome_;
  std::string offeredName_;
  std::string offeredFolder_;

 private:
  TempDir downloads_;
  std::optional<zovaz::testing::ScopedEnv> downloadDir_;
};

TEST_F(WebBehaviourDownloads, InvoiceIsSavedWholeWhereTheUserChose) {
  const std::string chosen = Folder() + "/faktura leden.pdf";
  Answer(chosen);
  ASSERT_TRUE(Download("document.getElementById('invoice').click()"));
  EXPECT_EQ(offeredName_, "2026-001.pdf");
  EXPECT_EQ(offeredFolder_, Folder());
  EXPECT_TRUE(outcome_->saved);
  EXPECT_EQ(outcome_->path, chosen);
  EXPECT_EQ(outcome_->address, shop.BaseUrl() + "/invoice/2026-001.pdf");
  EXPECT_TRUE(ReadFile(chosen) == zovaz::shop::InvoicePdf()) << ReadFile(chosen).size();
  // A new file gets the mode any saved file gets, not a private one.
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(ModeOf(chosen), 0666u & ~mask);
  // Nothing of the temporary file is left beside it.
  EXPECT_EQ(ListFolder(Folder()), Names{"faktura leden.pdf"});
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");
  const auto message = AwaitMessage();
  EXPECT_FALSE(message.error);
  EXPECT_EQ(message.text, "Soubor byl uložen:\n" + chosen);
  EXPECT_EQ(message.choices, (Names{"Otevřít soubor", "Otevřít složku", "OK"}));
  EXPECT_TRUE(openedFiles.empty());  // closed without a choice
}

TEST_F(WebBehaviourDownloads, TheEndBoxOpensTheFileOrItsFolderAndSaysWhenNothingStarts) {
  // A download folder the desktop names but has not made yet is made.
  const std::string folder = Folder() + "/Stažené";
  setenv("XDG_DOWNLOAD_DIR", folder.c_str(), 1);
  const std::string chosen = folder + "/2026-001.pdf";
  Answer(chosen);
  recorder.choice = 0;
  ASSERT_TRUE(Download("document.getElementById('invoice').click()"));
  EXPECT_EQ(offeredFolder_, folder);
  EXPECT_TRUE(outcome_->saved);
  ASSERT_FALSE(AwaitMessage().error);
  EXPECT_EQ(openedFiles, std::vector<std::string>{chosen});

  // The desktop has no file manager.
  outcome_.reset();
  recorder.messages.clear();
  recorder.choice = 1;
  filesOpen = false;
  ASSERT_TRUE(Download("document.getElementById('invoice').click()"));
  ASSERT_TRUE(PumpUntil([&] { return recorder.messages.size() == 2; }, 5000));
  EXPECT_EQ(openedFiles, (std::vector<std::string>{chosen, folder}));
  EXPECT_TRUE(recorder.messages[1].error);
  EXPECT_EQ(recorder.messages[1].text,
            "Složku se nepodařilo otevřít. V systému není nastaven správce souborů:\n" + folder);
}

TEST_F(WebBehaviourDownloads, SavingOverAFileReplacesItWholeAndKeepsItsPermissions) {
  const std::string chosen = Folder() + "/2026-001.pdf";
  WriteFile(chosen, "older invoice");
  chmod(chosen.c_str(), 0640);
  Answer(chosen);
  ASSERT_TRUE(Download("document.getElementById('invoice').click()"));
  EXPECT_TRUE(outcome_->saved);
  EXPECT_TRUE(ReadFile(chosen) == zovaz::shop::InvoicePdf());
  EXPECT_EQ(ModeOf(chosen), 0640u);
  EXPECT_EQ(ListFolder(Folder()), Names{"2026-001.pdf"});
}

TEST_F(WebBehaviourDownloads, CancelledDownloadLeavesNothing) {
  Answer("");
  ASSERT_TRUE(Download("document.getElementById('invoice').click()"));
  EXPECT_FALSE(outcome_->saved);
  EXPECT_EQ(outcome_->path, "");
  EXPECT_TRUE(ListFolder(Folder()).empty());
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");
  zovaz::testing::PumpFor(200);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(WebBehaviourDownloads, BrokenOffDownloadLeavesTheExistingFileUntouched) {
  const std::string chosen = Folder() + "/interrupted.pdf";
  WriteFile(chosen, "the invoice saved last month");
  Answer(chosen);
  ASSERT_TRUE(Download("location.href = '/invoice/interrupted.pdf'"));
  EXPECT_EQ(offeredName_, "interrupted.pdf");
  EXPECT_FALSE(outcome_->saved);
  EXPECT_EQ(ReadFile(chosen), "the invoice saved last month");
  EXPECT_EQ(ListFolder(Folder()), Names{"interrupted.pdf"});
  // The shop page stays; the user is told the download failed.
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");
  ExpectFailureMessage(chosen);
}

TEST_F(WebBehaviourDownloads, CutOffHttp10AnswerKeepsNoFileAndSaysSo) {
  zovaz::shop::PlainServer plain;
  ASSERT_GT(plain.Start(), 0);
  const std::string chosen = Folder() + "/cut-off.pdf";
  Answer(chosen);
  ASSERT_TRUE(Download("location.href = '" + plain.BaseUrl() + "/invoice/cut-off.pdf'"));
  EXPECT_FALSE(outcome_->saved);
  EXPECT_TRUE(ListFolder(Folder()).empty());  // neither the half file nor a temporary one
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");
  ExpectFailureMessage(chosen);
  EXPECT_EQ(Caption(), "Marlevo s.r.o. - Z-ovaz");
}

TEST_F(WebBehaviourDownloads, WholeHttp10AnswerIsSavedByteForByte) {
  zovaz::shop::PlainServer plain;
  ASSERT_GT(plain.Start(), 0);
  const std::string chosen = Folder() + "/whole.pdf";
  Answer(chosen);
  ASSERT_TRUE(Download("location.href = '" + plain.BaseUrl() + "/invoice/whole.pdf'"));
  EXPECT_TRUE(outcome_->saved);
  EXPECT_TRUE(ReadFile(chosen) == zovaz::shop::InvoicePdf()) << ReadFile(chosen).size();
  EXPECT_EQ(ListFolder(Folder()), Names{"whole.pdf"});
  EXPECT_EQ(AwaitMessage().text, "Soubor byl uložen:\n" + chosen);
}

TEST_F(WebBehaviourDownloads, CaptionShowsProgressWhileTheDownloadRuns) {
  Answer(Folder() + "/slow.pdf");
  EvalInPage("location.href = '/invoice/slow.pdf'");
  // The shop pauses halfway.
  EXPECT_TRUE(PumpUntil(
      [&] { return Caption() == "Marlevo s.r.o. - Z-ovaz - Stahuji slow.pdf: 50 %"; }, 5000))
      << Caption();
  ASSERT_TRUE(PumpUntil([&] { return outcome_.has_value(); }));
  EXPECT_TRUE(outcome_->saved);
  EXPECT_EQ(Caption(), "Marlevo s.r.o. - Z-ovaz");
}

TEST_F(WebBehaviourDownloads, ClosingTheWindowMidDownloadLeavesNothing) {
  Answer(Folder() + "/slow.pdf");
  EvalInPage("location.href = '/invoice/slow.pdf'");
  // The temporary file appears once the user has answered.
  ASSERT_TRUE(PumpUntil([&] { return !ListFolder(Folder()).empty(); }, 5000));
  CloseClient();
  EXPECT_TRUE(PumpUntil([&] { return ListFolder(Folder()).empty(); }, 5000))
      << *ListFolder(Folder()).begin();
  EXPECT_FALSE(outcome_.has_value());  // the window that asked is gone
}

TEST_F(WebBehaviourDownloads, FolderGoneBeforeSavingEndsTheDownloadWithAMessage) {
  // Removed between the dialog and the first byte.
  Answer(Folder() + "/removed/2026-001.pdf");
  ASSERT_TRUE(Download("document.getElementById('invoice').click()"));
  EXPECT_FALSE(outcome_->saved);
  EXPECT_TRUE(ListFolder(Folder()).empty());
  EXPECT_EQ(ShownAddress(), shop.BaseUrl() + "/documents");
  ExpectFailureMessage(Folder() + "/removed/2026-001.pdf");
}

// --- names and folders offered ----------------------------------------------

TEST(WebBehaviourDownloadNames, SuggestedNameCannotLeaveTheChosenFolder) {
  EXPECT_EQ(zovaz::SafeDownloadName("2026-001.pdf"), "2026-001.pdf");
  EXPECT_EQ(zovaz::SafeDownloadName("faktura leden.pdf"), "faktura leden.pdf");
  EXPECT_EQ(zovaz::SafeDownloadName("../../.bashrc"), ".bashrc");
  EXPECT_EQ(zovaz::SafeDownloadName("/etc/passwd"), "passwd");
  EXPECT_EQ(zovaz::SafeDownloadName("C:\\faktury\\2026-001.pdf"), "2026-001.pdf");
  EXPECT_EQ(zovaz::SafeDownloadName(""), "download");
  EXPECT_EQ(zovaz::SafeDownloadName(".."), "download");
  EXPECT_EQ(zovaz::SafeDownloadName("faktury/"), "download");
}

// The suite's home and configuration folders are throw-away ones.
TEST(WebBehaviourDownloadNames, DefaultFolderFollowsTheDesktopSettingsAndIsNeverTheHome) {
  zovaz::testing::ScopedEnv variable("XDG_DOWNLOAD_DIR", nullptr);
  zovaz::testing::ScopedEnv language("LANG", "cs_CZ.UTF-8");
  const std::string home = std::getenv("HOME");
  const std::string settings = std::string(std::getenv("XDG_CONFIG_HOME")) + "/user-dirs.dirs";
  fs::create_directories(fs::path(settings).parent_path());
  // Changed while the client runs: the next download sees it.
  WriteFile(settings, "XDG_DOWNLOAD_DIR=\"$HOME/Soubory ke stažení\"\n");
  EXPECT_EQ(zovaz::DefaultDownloadFolder(), home + "/Soubory ke stažení");
  // Set to the home itself, the desktop has no such folder.
  WriteFile(settings, "XDG_DOWNLOAD_DIR=\"$HOME/\"\n");
  EXPECT_EQ(zovaz::DefaultDownloadFolder(), home + "/Stažené");
  fs::create_directory(home + "/Downloads");
  EXPECT_EQ(zovaz::DefaultDownloadFolder(), home + "/Downloads");
  fs::remove(home + "/Downloads");
  fs::remove(settings);
  setenv("LANG", "C.UTF-8", 1);
  EXPECT_EQ(zovaz::DefaultDownloadFolder(), home + "/Downloads");
  setenv("XDG_DOWNLOAD_DIR", "/srv/stazene", 1);
  EXPECT_EQ(zovaz::DefaultDownloadFolder(), "/srv/stazene");
}

}  // namespace
