// The About dialog: its texts, its arrangement, its link and its OK button.
#include <gtk/gtk.h>
#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <cmath>
#include <regex>

#include "Unit3.h"
#include "core/memory_text.h"
#include "gui_support.h"
#include "platform/dark_style.h"
#include "platform/memory_status.h"

using zovaz::testing::ClientTest;
using zovaz::testing::PumpFor;
using zovaz::testing::PumpUntil;

namespace {

std::string Text(const wxWindow* window) { return std::string(window->GetLabel().utf8_str()); }

// The pointer shape GTK shows over a control, -1 for the default arrow.
int PointerShape(wxWindow* window) {
  GdkCursor* cursor = gdk_window_get_cursor(gtk_widget_get_window(window->GetHandle()));
  return cursor != nullptr ? gdk_cursor_get_cursor_type(cursor) : -1;
}

class AboutDialogTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    PrepareDataFolder("", "", "0");
    StartClient();
    ASSERT_TRUE(WaitForNavigation(0));
  }
  void TearDown() override {
    DestroyAbout();
    ClientTest::TearDown();
  }

  // The dialog as the program creates it; the links it opens are recorded.
  TForm3* CreateAbout() {
    DestroyAbout();
    about = new TForm3(form, *form);
    return about;
  }
  void DestroyAbout() {
    if (about == nullptr) return;
    about->Destroy();
    about = nullptr;
    PumpFor(20);
  }
  void ShowAndWait() {
    about->Show();
    ASSERT_TRUE(PumpUntil([&] { return about->IsShownOnScreen(); }, 5000));
    PumpFor(200);
  }
  // A real pointer click, as the X server delivers it.
  static void ClickOn(wxWindow* window) {
    wxUIActionSimulator pointer;
    pointer.MouseMove(window->GetScreenRect().GetPosition() + window->GetSize() / 2);
    pointer.MouseClick();
  }

  TForm3* about = nullptr;
};

}  // namespace

TEST_F(AboutDialogTest, LeftCaptionsFollowTheLanguageRightHandTextsNever) {
  CreateAbout();
  EXPECT_EQ(Text(about), "Marlevo s.r.o. - Z-ovaz - O programu");
  EXPECT_EQ(Text(about->Label1), "Verze programu:");
  EXPECT_EQ(Text(about->Label3), "Výrobce programu:");
  EXPECT_EQ(Text(about->Label5), "Paměť Windows:");
  EXPECT_EQ(Text(about->Label7), "Využitá paměť Windows:");
  EXPECT_EQ(Text(about->Label9), "Web výrobce:");

  // With another language the same dialog shows the English column, which
  // proves the captions pass through the table.
  form->Lang = "eng";
  CreateAbout();
  form->Lang = "cze";
  EXPECT_EQ(Text(about), "Marlevo s.r.o. - Z-ovaz - About");
  EXPECT_EQ(Text(about->Label1), "Program version:");
  EXPECT_EQ(Text(about->Label3), "Program producer:");
  EXPECT_EQ(Text(about->Label5), "Windows memory:");
  EXPECT_EQ(Text(about->Label7), "Windows memory used:");
  EXPECT_EQ(Text(about->Label9), "Producer's website:");
  EXPECT_EQ(Text(about->Label2), "1.0.0.1");
  EXPECT_EQ(Text(about->Label4), "Marlevo, spol. s r.o.");
  EXPECT_EQ(Text(about->Label10), shop.BaseUrl());
  EXPECT_EQ(Text(about->Button1), "OK");
}

TEST_F(AboutDialogTest, ShowsThisMachinesMemoryInKilobytesAndPercent) {
  CreateAbout();
  const zovaz::MemoryStatus memory = zovaz::QueryMemoryStatus();
  EXPECT_EQ(Text(about->Label6),
            zovaz::FormatKilobytes(memory.totalPhysicalBytes, zovaz::LocaleThousandsSeparator()));
  std::smatch load;
  const std::string loadText = Text(about->Label8);
  ASSERT_TRUE(std::regex_match(loadText, load, std::regex("([0-9]{1,3}) %")));
  EXPECT_LE(std::stoi(load[1]), 100);
}

TEST_F(AboutDialogTest, EveryTextFitsTheDesignedArrangement) {
  CreateAbout();
  ShowAndWait();
  EXPECT_TRUE(about->HasFlag(wxCAPTION));
  EXPECT_FALSE(about->HasFlag(wxSYSTEM_MENU) || about->HasFlag(wxCLOSE_BOX) ||
               about->HasFlag(wxRESIZE_BORDER));

  // At least the designed client area, and grown, if at all, in proportion.
  const wxSize client = about->GetClientSize();
  EXPECT_GE(client.x, 322);
  EXPECT_GE(client.y, 260);
  EXPECT_NEAR(double(client.x) / client.y, 322.0 / 260.0, 0.02);

  const wxRect labels = about->GroupBox2->GetRect();
  const std::vector<wxWindow*> left = {about->Label1, about->Label3, about->Label9, about->Label5,
                                       about->Label7};
  const std::vector<wxWindow*> right = {about->Label2, about->Label4, about->Label10, about->Label6,
                                        about->Label8};
  for (size_t row = 0; row < left.size(); ++row) {
    SCOPED_TRACE(Text(left[row]));
    for (wxWindow* label : {left[row], right[row]}) {
      const wxSize best = label->GetBestSize();
      EXPECT_GE(label->GetSize().x, best.x) << Text(label);
      EXPECT_GE(label->GetSize().y, best.y) << Text(label);
      EXPECT_TRUE(labels.Contains(label->GetRect())) << Text(label);
    }
    // Left captions end on one line, the values start on another, apart.
    EXPECT_EQ(left[row]->GetRect().GetRight(), left[0]->GetRect().GetRight());
    EXPECT_EQ(right[row]->GetPosition().x, right[0]->GetPosition().x);
    EXPECT_LT(left[row]->GetRect().GetRight(), right[row]->GetPosition().x);
    EXPECT_EQ(left[row]->GetPosition().y, right[row]->GetPosition().y);
    if (row > 0) {
      EXPECT_GE(left[row]->GetPosition().y, left[row - 1]->GetRect().GetBottom());
    }
  }

  // The logo keeps its proportions inside the upper box.
  EXPECT_TRUE(about->GroupBox1->GetRect().Contains(about->Image1->GetRect()));
  const wxSize logo = about->Image1->GetBitmap().GetSize();
  EXPECT_NEAR(double(logo.x) / logo.y, 300.0 / 73.0, 0.03);
  EXPECT_GE(logo.x, 300);

  // OK and the notice share the strip below the boxes; neither is cut.
  const wxRect ok = about->Button1->GetRect();
  const wxRect notice = about->Label11->GetRect();
  EXPECT_TRUE(wxRect(client).Contains(ok));
  EXPECT_GT(ok.GetTop(), labels.GetBottom());
  EXPECT_GT(notice.GetTop(), labels.GetBottom());
  EXPECT_LT(notice.GetRight(), ok.GetLeft());
  EXPECT_LE(notice.GetBottom(), client.y);
  EXPECT_GE(ok.width, about->Button1->GetBestSize().x);
  EXPECT_GE(ok.height, about->Button1->GetBestSize().y);
  EXPECT_GE(notice.width, about->Label11->GetBestSize().x);
}

TEST_F(AboutDialogTest, ClickingTheLinkOpensTheVendorSite) {
  CreateAbout();
  EXPECT_EQ(about->Label10->GetForegroundColour(), wxColour(0, 0, 128));
  EXPECT_TRUE(about->Label10->GetFont().GetUnderlined());
  ShowAndWait();
  EXPECT_EQ(PointerShape(about->Label10), GDK_HAND2);
  EXPECT_NE(PointerShape(about->Label9), GDK_HAND2);

  // Its caption beside it is no link.
  ClickOn(about->Label9);
  PumpFor(300);
  EXPECT_TRUE(openedLinks.empty());

  ClickOn(about->Label10);
  ASSERT_TRUE(PumpUntil([&] { return !openedLinks.empty(); }, 5000));
  PumpFor(200);
  EXPECT_EQ(openedLinks, std::vector<std::string>{shop.BaseUrl()});
}

TEST_F(AboutDialogTest, EveryTextReadsAfterTheDesktopTurnsDarkAndBack) {
  // Made in the light, as at start, before the desktop's answer may come.
  CreateAbout();
  ShowAndWait();
  GtkSettings* settings = gtk_settings_get_default();
  for (const bool dark : {true, false}) {
    SCOPED_TRACE(dark ? "dark" : "light");
    g_object_set(settings, "gtk-application-prefer-dark-theme", gboolean(dark), nullptr);
    PumpFor(500);
    ASSERT_EQ(zovaz::IsDarkBackground(zovaz::ThemeBackground(about)), dark);
    wxRect wordMark = about->Image1->GetScreenRect();
    // Right of the emblem, which is white on navy whatever the theme.
    wordMark.x += wordMark.width * 3 / 10;
    wordMark.width -= wordMark.width * 3 / 10;
    for (const auto& [name, area] : {std::pair{"caption", about->Label1->GetScreenRect()},
                                     {"link", about->Label10->GetScreenRect()},
                                     {"logo", wordMark}}) {
      EXPECT_GE(zovaz::testing::ContrastOver(area), 4.0) << name;
    }
  }
}

TEST_F(AboutDialogTest, AnAmpersandInTheVendorAddressIsShownAsItIs) {
  CloseClient();
  TForm1Environment environment = Environment();
  environment.vendorSiteUrl = shop.BaseUrl() + "/?a=1&b=2";
  form = new TForm1(environment);
  CreateAbout();
  EXPECT_EQ(std::string(about->Label10->GetLabelText().utf8_str()), environment.vendorSiteUrl);
}

TEST_F(AboutDialogTest, AboutMenuShowsItModallyOverTheWindowAndOkClosesIt) {
  CreateAbout();
  form->SetDialogs(nullptr, about);
  const std::string totalAtCreation = Text(about->Label6);

  bool sawModal = false, timedOut = false;
  wxPoint dialogCentre, windowCentre;
  int ticks = 0;
  wxTimer driver;
  driver.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    ++ticks;
    if (!about->IsModal()) return;
    if (!sawModal && about->IsShownOnScreen() && ticks > 3) {
      sawModal = true;
      dialogCentre = about->GetScreenRect().GetPosition() + about->GetSize() / 2;
      windowCentre = form->GetScreenRect().GetPosition() + form->GetSize() / 2;
      ClickOn(about->Button1);
    } else if (ticks > 100) {
      timedOut = true;
      about->EndModal(wxID_CANCEL);
    }
  });
  driver.Start(100);
  form->Uivatelskpruka1Click();
  driver.Stop();

  EXPECT_TRUE(sawModal);
  EXPECT_FALSE(timedOut) << "OK did not close the dialog";
  EXPECT_FALSE(about->IsShown());
  EXPECT_LE(std::abs(dialogCentre.x - windowCentre.x), 20);
  EXPECT_LE(std::abs(dialogCentre.y - windowCentre.y), 20);
  // The figures are those of the dialog's creation.
  EXPECT_EQ(Text(about->Label6), totalAtCreation);
}

TEST_F(AboutDialogTest, OkReadsOkOnACzechDesktop) {
  zovaz::testing::ScopedCzechToolkit czech;
  CreateAbout();
  ShowAndWait();
  const std::vector<std::string> shown = zovaz::testing::ShownTexts();
  EXPECT_NE(std::find(shown.begin(), shown.end(), "OK"), shown.end());
  EXPECT_EQ(std::find(shown.begin(), shown.end(), "Budiž"), shown.end());
  about->Hide();
}
