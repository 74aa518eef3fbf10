// The main window as the user meets it: frame, menus, first run, errors.
#include <wx/accel.h>
#include <wx/log.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "Unit2.h"
#include "Unit3.h"
#include "common/test_servers.h"
#include "core/text_file.h"
#include "gui_support.h"

namespace fs = std::filesystem;
using zovaz::testing::ClientTest;
using zovaz::testing::ReadFile;
using zovaz::testing::WriteFile;

namespace {

std::string Label(wxMenuItem* item) { return std::string(item->GetItemLabelText().utf8_str()); }

class MainWindowTest : public ClientTest {};

// What the program logs, verbose entries included, while it lives.
class CapturedLog {
 public:
  CapturedLog() : previous_(wxLog::SetActiveTarget(&capture_)) { wxLog::SetVerbose(true); }
  ~CapturedLog() {
    wxLog::SetVerbose(false);
    wxLog::SetActiveTarget(previous_);
  }
  std::string Text() {
    wxLog::FlushActive();
    return text_.str();
  }

 private:
  std::ostringstream text_;
  wxLogStream capture_{&text_};
  wxLog* previous_;
};

}  // namespace

TEST_F(MainWindowTest, IsAFixedWindowWithTheDesignedClientArea) {
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  EXPECT_EQ(std::string(form->GetTitle().utf8_str()), "Marlevo s.r.o. - Z-ovaz");
  EXPECT_EQ(form->GetClientSize(), wxSize(701, 586));
  EXPECT_FALSE(form->HasFlag(wxRESIZE_BORDER));
  EXPECT_FALSE(form->HasFlag(wxMAXIMIZE_BOX));
  EXPECT_EQ(form->GetMinSize(), form->GetMaxSize());
  // The browser view fills the whole client area.
  EXPECT_EQ(form->WebBrowser_V11->Widget()->GetSize(), wxSize(701, 586));
}

TEST_F(MainWindowTest, MenusAreTranslatedInDesignedOrderAndAllEnabled) {
  // A "&" in the name is shown, not taken for a mnemonic.
  vendorSiteName = "Marlevo & syn";
  PrepareDataFolder("", "", "0");
  StartClient();
  wxMenuBar* bar = form->GetMenuBar();
  ASSERT_EQ(bar->GetMenuCount(), 2u);
  EXPECT_EQ(std::string(bar->GetMenuLabelText(0).utf8_str()), "Program");
  EXPECT_EQ(std::string(bar->GetMenuLabelText(1).utf8_str()), "Nápověda");

  const std::vector<wxMenuItem*> program = {form->Pipojit1, form->Lok1, form->N3,
                                            form->Ukon1,    form->N2,   form->isk1,
                                            form->P1,       form->N1,   form->Ukonit1};
  const auto& items = form->Progr1->GetMenuItems();
  ASSERT_EQ(items.size(), program.size());
  size_t i = 0;
  for (wxMenuItem* item : items) EXPECT_EQ(item, program[i++]);
  EXPECT_EQ(Label(form->Pipojit1), "Připojit");
  EXPECT_EQ(Label(form->Lok1), "Odpojit");
  EXPECT_EQ(Label(form->Ukon1), "Nastavení");
  EXPECT_EQ(Label(form->isk1), "Tisk");
  EXPECT_EQ(Label(form->P1), "Přejít na web Marlevo & syn");
  EXPECT_EQ(Label(form->Ukonit1), "Ukončit");
  // Their keys are shown beside them.
  for (const auto& [item, keys] : {std::pair{form->isk1, "Ctrl+P"}, {form->Ukonit1, "Ctrl+Q"}}) {
    std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
    ASSERT_TRUE(accel);
    EXPECT_EQ(std::string(accel->ToRawString().utf8_str()), keys);
  }
  EXPECT_TRUE(form->N1->IsSeparator() && form->N2->IsSeparator() && form->N3->IsSeparator());

  // The help menu holds About only; the user guide item never shows.
  ASSERT_EQ(form->Npovda1->GetMenuItemCount(), 1u);
  EXPECT_EQ(Label(form->Uivatelskpruka1), "O programu");
  EXPECT_EQ(form->Uivatelskpruka2->GetMenu(), nullptr);

  for (wxMenuItem* item : program) EXPECT_TRUE(item->IsEnabled());
  EXPECT_TRUE(form->Uivatelskpruka1->IsEnabled());

  // The vendor item hands the vendor's site to the desktop's browser.
  Click(form->P1);
  EXPECT_EQ(openedLinks, std::vector<std::string>{shop.BaseUrl()});
}

TEST_F(MainWindowTest, FirstStartAnnouncesSetupAndFillsThePrivateDataFolder) {
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  ASSERT_FALSE(recorder.messages.empty());
  EXPECT_FALSE(recorder.messages[0].error);
  EXPECT_EQ(recorder.messages[0].text,
            "Nyní proběhne příprava aplikace před prvním spuštěním a její aktualizace.");
  EXPECT_EQ(ReadFile(DataDir() + "/version.nfo"), "1.0.0.2\r\n");
  EXPECT_TRUE(fs::exists(DataDir() + "/app.cfg"));
  EXPECT_TRUE(fs::exists(DataDir() + "/__app/assets/images/clock.png"));
  EXPECT_EQ(zovaz::testing::ModeOf(DataDir()), 0700u);
}

TEST_F(MainWindowTest, SecondStartSkipsTheSetupAndTidiesAnOlderLayout) {
  PrepareDataFolder("", "", "0");
  // As an older install or a restore leaves it, after a write was cut off.
  fs::permissions(DataDir(), fs::perms(0755));
  fs::permissions(DataDir() + "/app.cfg", fs::perms(0644));
  WriteFile(DataDir() + "/__app/.lilindex.html.zovaz-tmp-Xy12ab", "half a page");
  // Named like one, but not by the client's own atomic write: the customer's.
  WriteFile(DataDir() + "/__app/lilindex.html.Xy12ab", "kept");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(zovaz::testing::ModeOf(DataDir()), 0700u);
  EXPECT_EQ(zovaz::testing::ModeOf(DataDir() + "/app.cfg"), 0600u);
  EXPECT_FALSE(fs::exists(DataDir() + "/__app/.lilindex.html.zovaz-tmp-Xy12ab"));
  EXPECT_TRUE(fs::exists(DataDir() + "/__app/lilindex.html.Xy12ab"));
}

TEST_F(MainWindowTest, AStartPageThatCannotBeStoredIsLoggedAndTheLoginGoesOn) {
  // A style sheet folder the client may not write to, and a folder where
  // the downloaded page belongs: the refresh fails, the login does not.
  for (const bool pageBlocked : {false, true}) {
    SCOPED_TRACE(pageBlocked);
    PrepareDataFolder(zovaz::shop::kDemoUser, zovaz::shop::kDemoDigest, "1");
    const std::string styles = DataDir() + "/__app/assets/styles";
    const std::string shipped = ReadFile(DataDir() + "/__app/lilindex.html");
    if (pageBlocked) {
      fs::remove(DataDir() + "/__app/b.tmp");
      fs::create_directory(DataDir() + "/__app/b.tmp");
    } else {
      fs::permissions(styles, fs::perms(0555));
    }
    const std::vector<std::string> sheets = zovaz::testing::ListFolder(styles);
    CapturedLog log;
    {
      zovaz::testing::ScopedFilePermissionsHold hold;
      const int before = navigations();
      StartClient();
      ASSERT_TRUE(WaitForNavigation(before));
    }
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_NE(ShownAddress().find("/moveup/"), std::string::npos) << ShownAddress();
    EXPECT_FALSE(form->Pipojit1->IsEnabled());
    // Whatever could not be stored stays as it was, and says so in the log.
    EXPECT_EQ(ReadFile(DataDir() + "/__app/lilindex.html") == shipped, pageBlocked);
    EXPECT_EQ(zovaz::testing::ListFolder(styles), sheets);
    EXPECT_NE(
        log.Text().find(pageBlocked ? "start page not refreshed" : "style sheet not refreshed"),
        std::string::npos)
        << log.Text();
    fs::permissions(styles, fs::perms(0755));
    CloseClient();
    recorder.messages.clear();
  }
}

TEST_F(MainWindowTest, FailingStartupStepIsShownOnceAndAStartPageStillShows) {
  PrepareDataFolder(zovaz::shop::kDemoUser, zovaz::shop::kDemoDigest, "1");
  // A file where the local content belongs: neither the start page nor the
  // probe can be stored; only the login's failure is the customer's to see.
  fs::remove_all(DataDir() + "/__app");
  WriteFile(DataDir() + "/__app", "");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_TRUE(recorder.messages[0].error);
  EXPECT_EQ(recorder.messages[0].text, "Invalid filename.");
  EXPECT_EQ(ShownAddress(), "file://" + ExeDir() + "/__app/lilindex.html");
  EXPECT_TRUE(form->Pipojit1->IsEnabled());
}

TEST_F(MainWindowTest, FirstRunThatCannotSetUpSaysSoAndShowsTheShippedPage) {
  // Where the data folder belongs lies a file: nothing can be set up.
  WriteFile(DataDir(), "");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  ASSERT_EQ(recorder.messages.size(), 2u);
  EXPECT_FALSE(recorder.messages[0].error);
  EXPECT_TRUE(recorder.messages[1].error);
  EXPECT_EQ(recorder.messages[1].text,
            "Přípravu aplikace se nepodařilo dokončit. Zkontrolujte volné místo na disku a "
            "oprávnění ke složce s daty.");
  EXPECT_EQ(ShownAddress(), "file://" + ExeDir() + "/__app/lilindex.html");
}

TEST_F(MainWindowTest, FailingMenuCommandIsShownAndTheProgramGoesOn) {
  PrepareDataFolder(zovaz::shop::kDemoUser, "0123456789abcdef0123456789abcdef", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  // The probe's target folder is gone, so Connect cannot store it.
  fs::remove_all(DataDir() + "/__app");
  Click(form->Pipojit1);
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_TRUE(recorder.messages[0].error);
  EXPECT_EQ(recorder.messages[0].text, "File not found.");
  // Still alive and answering commands.
  Click(form->Lok1);
  EXPECT_TRUE(form->Pipojit1->IsEnabled());
}

TEST_F(MainWindowTest, AFailureTheCustomerIsNotShownIsLoggedWhenAskedFor) {
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  CapturedLog log;
  // A data folder that can be read but not written: the save cannot happen.
  {
    zovaz::testing::ScopedFilePermissionsHold asTheCustomer;
    fs::permissions(DataDir(), fs::perms::owner_read | fs::perms::owner_exec);
    form->SaveCfg();
    fs::permissions(DataDir(), fs::perms::owner_all);
  }
  EXPECT_NE(log.Text().find("configuration not saved: " + DataDir() + "/app.cfg"),
            std::string::npos)
      << log.Text();
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(MainWindowTest, EveryCaptionTheWindowsShowHasARowInTheLanguageTable) {
  CapturedLog log;
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  // Each window translates its captions as it is made.
  auto* settings = new TForm2(form, *form);
  auto* about = new TForm3(form, *form);
  Input("key ctrl+f");
  // The error page, for an address nothing answers at.
  const int before = navigations();
  form->WebBrowser_V11->Navigate(
      "http://127.0.0.1:" + std::to_string(zovaz::testing::UnusedLoopbackPort()) + "/");
  EXPECT_TRUE(zovaz::testing::PumpUntil([&] { return form->WebBrowser_V11->ShowsErrorPage(); }));
  WaitForNavigation(before, 2000);
  settings->Destroy();
  about->Destroy();
  EXPECT_EQ(log.Text().find("no language-table row"), std::string::npos) << log.Text();
  EXPECT_NE(form->Extras().Find(), nullptr);
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
  PrepareDataFolder("", "", "0");
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  Click(form->Ukonit1);
  EXPECT_TRUE(wxPendingDelete.Member(form));
  form = nullptr;  // gone with the next idle time; nothing left to close
  zovaz::testing::PumpFor(50);
}
