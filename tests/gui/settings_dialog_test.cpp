// The settings dialog on a real client window against the stand-in shop,
// driven through the X server the way a user would.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/clipbrd.h>
#include <wx/panel.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "Unit2.h"
#include "core/text_file.h"
#include "crypto/password_digest.h"
#include "gui_support.h"
#include "platform/wx_text.h"

namespace zovaz::testing {
namespace {

using shop::kDemoDigest;
constexpr const char* kOtherDigest = "0123456789abcdef0123456789abcdef";
constexpr const char* kNoConnection = "Nelze navázat spojení, zkontrolujte připojení k Internetu.";
constexpr const char* kUnusablePassword = "Heslo obsahuje znaky, které nelze použít.";
constexpr const char* kUnusableUserName = "Uživatelské jméno obsahuje znaky, které nelze použít.";
constexpr const char* kDotUserName = "Uživatelské jméno nemůže být \".\" ani \"..\".";

wxString Wx(const std::string& utf8) { return wxString::FromUTF8(utf8); }

class SettingsDialogTest : public ClientTest {
 protected:
  // A client over this configuration, its first page shown, with its dialog.
  void Open(const std::string& user, const std::string& digest, const std::string& autoLogin) {
    PrepareDataFolder(user, digest, autoLogin);
    StartClient();
    ASSERT_TRUE(WaitForNavigation(0));
    dialog = new TForm2(form, *form);
    form->SetDialogs(dialog, nullptr);
  }

  // Runs `open` (which shows the dialog modally, as the menu does) and, from
  // inside the dialog's modal loop, `inside`. Returns whether `inside` left
  // the dialog closed; a dialog left open is cancelled so the test goes on.
  bool RunModal(const std::function<void()>& inside, const std::function<void()>& open = {}) {
    bool ran = false;
    bool opened = false;
    bool closed = false;
    wxTheApp->CallAfter([&] {
      ran = true;
      if (!PumpUntil([&] { return dialog->IsModal() && dialog->IsShownOnScreen(); }, 5000)) return;
      opened = true;
      PumpFor(100);  // mapped and focused
      inside();
      closed = !dialog->IsShown();
      if (!closed) dialog->EndModal(wxID_ABORT);
    });
    if (open) {
      open();
    } else {
      form->Ukon1Click();
    }
    PumpUntil([&] { return ran; }, 10000);
    EXPECT_TRUE(opened) << "the settings dialog did not open";
    return closed;
  }

  // A real key press, as the X server delivers it to the focused control.
  void PressKey(wxWindow* target, int key) {
    target->SetFocus();
    PumpUntil([&] { return wxWindow::FindFocus() == target; }, 2000);
    wxUIActionSimulator().Char(key);
    PumpUntil([&] { return !dialog->IsShown(); }, 1500);
  }

  void Click(wxWindow* button) {
    wxUIActionSimulator simulator;
    const wxRect rect = button->GetScreenRect();
    simulator.MouseMove(rect.GetPosition() + wxSize(rect.width / 2, rect.height / 2));
    PumpFor(50);
    simulator.MouseClick();
    PumpUntil([&] { return !dialog->IsShown(); }, 1500);
  }

  void Type(wxTextCtrl* edit, const std::string& text) {
    edit->SetFocus();
    PumpUntil([&] { return wxWindow::FindFocus() == edit; }, 2000);
    edit->SelectAll();
    wxUIActionSimulator().Text(text.c_str());
    PumpUntil([&] { return Utf8(edit->GetValue()) == text; }, 2000);
  }

  std::string Config() { return ReadFile(DataDir() + "/app.cfg"); }
  std::string ConfigOf(const std::string& user, const std::string& digest,
                       const std::string& autoLogin) {
    return JoinTextLines({shop.BaseUrl(), user, digest, autoLogin});
  }

  // The client has gone from its start page to the demo user's shop page.
  void ExpectLoggedInAsDemoUser(int navigationsBefore) {
    ASSERT_TRUE(WaitForNavigation(navigationsBefore));
    const std::string login =
        "/cze/moveup/" + std::string(shop::kDemoUser) + "/movedown/" + kDemoDigest;
    const std::string greeting = "Dobrý den, " + std::string(shop::kDemoUser);
    EXPECT_TRUE(PumpUntil(
        [&] {
          return ShownAddress().find(login) != std::string::npos &&
                 EvalInPage("document.querySelector('h1').textContent") == greeting;
        },
        10000))
        << ShownAddress();
  }

  TForm2* dialog = nullptr;
};

std::vector<wxWindow*> BoxControls(const TForm2& d) {
  return {d.Label1, d.Edit1, d.Label2, d.Edit2, d.Label4, d.Label3, d.CheckBox1};
}

// Nothing is cut off, nothing overlaps, and the design's alignments hold.
void ExpectLaidOutAsDesigned(const TForm2& d) {
  const wxSize client = d.GetClientSize();
  EXPECT_GE(d.Scale(), 1.0);
  EXPECT_NEAR(client.x, 401 * d.Scale(), 1);
  EXPECT_NEAR(client.y, 186 * d.Scale(), 1);

  std::vector<wxWindow*> all = BoxControls(d);
  all.insert(all.end(), {d.GroupBox1, d.Button1, d.Button2});
  for (wxWindow* control : all) {
    SCOPED_TRACE(Utf8(control->GetLabel()));
    EXPECT_GE(control->GetSize().x, control->GetBestSize().x);
    EXPECT_GE(control->GetSize().y, control->GetBestSize().y);
  }
  const wxRect dialogArea(wxPoint(0, 0), client);
  EXPECT_TRUE(dialogArea.Contains(d.GroupBox1->GetRect()));
  EXPECT_TRUE(dialogArea.Contains(d.Panel1->GetRect()));
  EXPECT_FALSE(d.GroupBox1->GetRect().Intersects(d.Panel1->GetRect()));
  EXPECT_EQ(d.Panel1->GetRect().GetBottom(), client.y - 1);  // along the bottom
  EXPECT_EQ(d.Panel1->GetSize().x, client.x);
  const std::vector<wxWindow*> inBox = BoxControls(d);
  for (size_t i = 0; i < inBox.size(); ++i) {
    SCOPED_TRACE(Utf8(inBox[i]->GetLabel()));
    // Clear of the frame and of the caption on its top edge.
    const wxRect frame = d.GroupBox1->GetRect().Deflate(2);
    EXPECT_TRUE(frame.Contains(inBox[i]->GetRect()));
    EXPECT_GE(inBox[i]->GetRect().y, d.GroupBox1->GetRect().y + d.GroupBox1->GetBestSize().y / 2);
    for (size_t j = i + 1; j < inBox.size(); ++j)
      EXPECT_FALSE(inBox[i]->GetRect().Intersects(inBox[j]->GetRect()))
          << Utf8(inBox[j]->GetLabel());
  }
  for (wxWindow* button : {d.Button1, d.Button2})
    EXPECT_TRUE(wxRect(d.Panel1->GetClientSize()).Contains(button->GetRect()));

  // Right-aligned labels ending together before the edit boxes, which share
  // their column with the notices and the check box.
  EXPECT_TRUE(d.Label1->HasFlag(wxALIGN_RIGHT));
  EXPECT_TRUE(d.Label2->HasFlag(wxALIGN_RIGHT));
  EXPECT_EQ(d.Label1->GetRect().GetRight(), d.Label2->GetRect().GetRight());
  EXPECT_LT(d.Label1->GetRect().GetRight(), d.Edit1->GetRect().x);
  EXPECT_EQ(d.Label1->GetRect().y, d.Edit1->GetRect().y);
  EXPECT_EQ(d.Label2->GetRect().y, d.Edit2->GetRect().y);
  for (wxWindow* control :
       std::initializer_list<wxWindow*>{d.Edit2, d.Label4, d.Label3, d.CheckBox1})
    EXPECT_EQ(control->GetRect().x, d.Edit1->GetRect().x);
  EXPECT_EQ(d.Edit1->GetSize(), d.Edit2->GetSize());
  EXPECT_LT(d.Edit2->GetRect().GetBottom(), d.Label4->GetRect().y);
  EXPECT_LT(d.Label4->GetRect().GetBottom(), d.Label3->GetRect().y);
  EXPECT_LT(d.Label3->GetRect().GetBottom(), d.CheckBox1->GetRect().y);
  // Save on the left, Cancel mirrored on the right.
  EXPECT_EQ(d.Button1->GetSize(), d.Button2->GetSize());
  EXPECT_EQ(d.Button1->GetRect().y, d.Button2->GetRect().y);
  EXPECT_NEAR(d.Panel1->GetClientSize().x - d.Button2->GetRect().GetRight() - 1,
              d.Button1->GetRect().x, 1);
}

TEST_F(SettingsDialogTest, IsCreatedTranslatedAndLaidOutAsDesigned) {
  Open("", "", "0");
  EXPECT_EQ(Utf8(dialog->GetTitle()), "Marlevo s.r.o. - Z-ovaz - Nastavení");
  EXPECT_EQ(Utf8(dialog->GroupBox1->GetLabel()), "Uživatel");
  EXPECT_EQ(Utf8(dialog->Label1->GetLabel()), "Uživatelské jméno");
  EXPECT_EQ(Utf8(dialog->Label2->GetLabel()), "Heslo");
  EXPECT_EQ(Utf8(dialog->Label4->GetLabel()),
            "Vyplňte pouze pokud chcete již uložené heslo změnit.");
  EXPECT_EQ(Utf8(dialog->Label3->GetLabel()), "Heslo je ukládáno v šifrované podobě.");
  EXPECT_EQ(Utf8(dialog->CheckBox1->GetLabel()), "Automatické přihlášení");
  EXPECT_EQ(Utf8(dialog->Button1->GetLabel()), "Uložit");
  EXPECT_EQ(Utf8(dialog->Button2->GetLabel()), "Zrušit");
  EXPECT_TRUE(dialog->CheckBox1->GetValue());  // ticked as designed, until first shown
  EXPECT_TRUE(dialog->Edit2->HasFlag(wxTE_PASSWORD));
  EXPECT_FALSE(dialog->Edit1->HasFlag(wxTE_PASSWORD));
  // A caption but no system menu, close box or resizing.
  EXPECT_TRUE(dialog->HasFlag(wxCAPTION));
  EXPECT_FALSE(dialog->HasFlag(wxSYSTEM_MENU));
  EXPECT_FALSE(dialog->HasFlag(wxCLOSE_BOX));
  EXPECT_FALSE(dialog->HasFlag(wxRESIZE_BORDER));
  EXPECT_EQ(dialog->GetMinSize(), dialog->GetMaxSize());
  ExpectLaidOutAsDesigned(*dialog);

  dialog->Edit2->ChangeValue("heslo");
  dialog->Show();
  PumpFor(300);
  const wxPoint centre = dialog->GetScreenRect().GetPosition() + dialog->GetSize() / 2;
  const wxPoint mainCentre = form->GetScreenRect().GetPosition() + form->GetSize() / 2;
  EXPECT_NEAR(centre.x, mainCentre.x, 2);
  EXPECT_NEAR(centre.y, mainCentre.y, 2);
  // For looking at the dialog: ZOVAZ_SCREENSHOT=/tmp/settings.png
  if (const char* screenshot = std::getenv("ZOVAZ_SCREENSHOT")) {
    EXPECT_EQ(std::system(("import -window root '" + std::string(screenshot) + "'").c_str()), 0);
  }
  dialog->Hide();
}

TEST_F(SettingsDialogTest, EnglishCaptionsFitToo) {
  Open("", "", "0");
  form->Lang = "eng";
  auto* english = new TForm2(form, *form);
  EXPECT_EQ(Utf8(english->GetTitle()), "Marlevo s.r.o. - Z-ovaz - Settings");
  EXPECT_EQ(Utf8(english->Label4->GetLabel()),
            "Fill in only if you'd like to change already saved password.");
  EXPECT_EQ(Utf8(english->Button1->GetLabel()), "Save");
  EXPECT_EQ(Utf8(english->GroupBox1->GetLabel()), "User");
  ExpectLaidOutAsDesigned(*english);
  english->Destroy();
}

TEST_F(SettingsDialogTest, SaveWithNewPasswordStoresItsDigestAndLogsIn) {
  Open("", "", "0");
  const int before = navigations();
  const bool closed = RunModal([&] {
    Type(dialog->Edit1, shop::kDemoUser);
    Type(dialog->Edit2, shop::kDemoPassword);
    dialog->CheckBox1->SetValue(false);
    Click(dialog->Button1);
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(Config(), ConfigOf(shop::kDemoUser, kDemoDigest, "0"));
  EXPECT_EQ(form->PasswordHash, kDemoDigest);
  EXPECT_TRUE(recorder.messages.empty());
  ExpectLoggedInAsDemoUser(before);
}

TEST_F(SettingsDialogTest, SaveWithEmptyPasswordKeepsTheStoredDigest) {
  Open(shop::kDemoUser, kDemoDigest, "0");
  const int before = navigations();
  EXPECT_TRUE(RunModal([&] {
    EXPECT_EQ(Utf8(dialog->Edit1->GetValue()), shop::kDemoUser);
    EXPECT_TRUE(dialog->Edit2->IsEmpty());
    dialog->CheckBox1->SetValue(true);
    Click(dialog->Button1);
  }));
  EXPECT_EQ(Config(), ConfigOf(shop::kDemoUser, kDemoDigest, "1"));
  ExpectLoggedInAsDemoUser(before);
}

TEST_F(SettingsDialogTest, EnterInEitherEditBoxSaves) {
  Open(shop::kDemoUser, kOtherDigest, "0");
  int before = navigations();
  EXPECT_TRUE(RunModal([&] {
    dialog->Edit2->ChangeValue(Wx(shop::kDemoPassword));
    PressKey(dialog->Edit1, WXK_RETURN);
  }));
  EXPECT_EQ(Config(), ConfigOf(shop::kDemoUser, kDemoDigest, "0"));
  ExpectLoggedInAsDemoUser(before);

  before = navigations();
  EXPECT_TRUE(RunModal([&] {
    dialog->CheckBox1->SetValue(true);
    PressKey(dialog->Edit2, WXK_RETURN);
  }));
  EXPECT_EQ(Config(), ConfigOf(shop::kDemoUser, kDemoDigest, "1"));
  ExpectLoggedInAsDemoUser(before);
}

TEST_F(SettingsDialogTest, EscAndCancelCloseWithoutChangingAnything) {
  Open("jana", kOtherDigest, "1");
  const std::string config = Config();
  const int before = navigations();
  const auto editEverything = [&] {
    dialog->Edit1->ChangeValue(Wx(shop::kDemoUser));
    dialog->Edit2->ChangeValue(Wx(shop::kDemoPassword));
    dialog->CheckBox1->SetValue(false);
  };
  EXPECT_TRUE(RunModal([&] {
    editEverything();
    PressKey(dialog->Edit1, WXK_ESCAPE);
  }));
  EXPECT_TRUE(RunModal([&] {
    editEverything();
    PressKey(dialog->Edit2, WXK_ESCAPE);
  }));
  EXPECT_TRUE(RunModal([&] {
    editEverything();
    PressKey(dialog->CheckBox1, WXK_ESCAPE);  // anywhere in the dialog
  }));
  EXPECT_TRUE(RunModal([&] {
    editEverything();
    Click(dialog->Button2);
  }));
  EXPECT_EQ(form->UserName, "jana");
  EXPECT_EQ(form->PasswordHash, kOtherDigest);
  EXPECT_EQ(form->AutoLogin, "1");
  EXPECT_EQ(Config(), config);
  PumpFor(300);
  EXPECT_EQ(navigations(), before);
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(SettingsDialogTest, EnterOnTheCheckBoxDoesNothing) {
  Open("jana", kOtherDigest, "0");
  const std::string config = Config();
  EXPECT_FALSE(RunModal([&] {
    dialog->Edit1->ChangeValue(Wx(shop::kDemoUser));
    PressKey(dialog->CheckBox1, WXK_RETURN);
    EXPECT_FALSE(dialog->CheckBox1->GetValue());
    PressKey(dialog->CheckBox1, WXK_NUMPAD_ENTER);
    EXPECT_FALSE(dialog->CheckBox1->GetValue());
    // Space still ticks it.
    PressKey(dialog->CheckBox1, WXK_SPACE);
    EXPECT_TRUE(dialog->CheckBox1->GetValue());
  }));
  EXPECT_EQ(form->UserName, "jana");
  EXPECT_EQ(Config(), config);
}

TEST_F(SettingsDialogTest, ReopeningShowsTheSavedValuesAndTheTypedPassword) {
  Open("", "", "0");
  EXPECT_TRUE(RunModal([&] {
    EXPECT_TRUE(dialog->Edit1->IsEmpty());
    EXPECT_FALSE(dialog->CheckBox1->GetValue());
    dialog->Edit1->ChangeValue(Wx(shop::kDemoUser));
    dialog->Edit2->ChangeValue(Wx(shop::kDemoPassword));
    dialog->CheckBox1->SetValue(true);
    Click(dialog->Button1);
  }));
  EXPECT_TRUE(RunModal([&] {
    EXPECT_EQ(Utf8(dialog->Edit1->GetValue()), shop::kDemoUser);
    EXPECT_TRUE(dialog->CheckBox1->GetValue());
    EXPECT_EQ(Utf8(dialog->Edit2->GetValue()), shop::kDemoPassword);
    Click(dialog->Button2);
  }));
  // Each showing reads the main window's values afresh; only "1" ticks the box.
  form->UserName = "jana";
  form->AutoLogin = "yes";
  EXPECT_TRUE(RunModal([&] {
    EXPECT_EQ(Utf8(dialog->Edit1->GetValue()), "jana");
    EXPECT_FALSE(dialog->CheckBox1->GetValue());
    EXPECT_EQ(Utf8(dialog->Edit2->GetValue()), shop::kDemoPassword);
    Click(dialog->Button2);
  }));
}

TEST_F(SettingsDialogTest, SaveWithTheShopDownReportsItAndStillSaves) {
  Open("", "", "0");
  bool openWhileReported = false;
  recorder.whileShown = [&](const RecordedMessage&) { openWhileReported = dialog->IsShown(); };
  shop.Stop();
  EXPECT_TRUE(RunModal([&] {
    dialog->Edit1->ChangeValue(Wx(shop::kDemoUser));
    dialog->Edit2->ChangeValue(Wx(shop::kDemoPassword));
    dialog->CheckBox1->SetValue(false);
    Click(dialog->Button1);
  }));
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_FALSE(recorder.messages[0].error);
  EXPECT_EQ(recorder.messages[0].text, kNoConnection);
  EXPECT_TRUE(openWhileReported);
  EXPECT_EQ(Config(), ConfigOf(shop::kDemoUser, kDemoDigest, "0"));
}

TEST_F(SettingsDialogTest, AFailingLoginKeepsTheDialogOpenAndWritesNothing) {
  Open("jana", kOtherDigest, "0");
  const std::string config = Config();
  // The probe's target cannot be replaced: the login fails with an error.
  std::filesystem::create_directories(DataDir() + "/__app/a.tmp/blocker");
  EXPECT_FALSE(RunModal([&] {
    dialog->Edit1->ChangeValue(Wx(shop::kDemoUser));
    dialog->Edit2->ChangeValue(Wx(shop::kDemoPassword));
    Click(dialog->Button1);
    EXPECT_TRUE(dialog->IsShown());
  }));
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_TRUE(recorder.messages[0].error);
  // The new values are in force for the run, but not on disk.
  EXPECT_EQ(form->UserName, shop::kDemoUser);
  EXPECT_EQ(form->PasswordHash, kDemoDigest);
  EXPECT_EQ(Config(), config);
}

TEST_F(SettingsDialogTest, TheUserNameIsKeptAndSentInWindows1250) {
  Open("Nov\xE1k", kOtherDigest, "0");
  const auto loggedInAs = [&](const std::string& segment, int before) {
    EXPECT_TRUE(WaitForNavigation(before));
    for (const std::string& request : shop.Requests())
      if (request.find("/cze/moveup/" + segment + "/movedown/") != std::string::npos) return true;
    return false;
  };
  int before = navigations();
  EXPECT_TRUE(RunModal([&] {
    EXPECT_EQ(Utf8(dialog->Edit1->GetValue()), "Novák");
    Click(dialog->Button1);
  }));
  EXPECT_EQ(Config(), ConfigOf("Nov\xE1k", kOtherDigest, "0"));
  EXPECT_TRUE(loggedInAs("Nov%E1k", before));

  before = navigations();
  EXPECT_TRUE(RunModal([&] {
    dialog->Edit1->ChangeValue(Wx("Dvořák"));
    Click(dialog->Button1);
  }));
  EXPECT_EQ(Config(), ConfigOf("Dvo\xF8\xE1k", kOtherDigest, "0"));
  EXPECT_TRUE(loggedInAs("Dvo%F8%E1k", before));
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(SettingsDialogTest, AnUnreadableConfigIsToldAndNeverOverwritten) {
  PrepareDataFolder("jana", kOtherDigest, "0");
  const std::string path = DataDir() + "/app.cfg";
  const std::string config = Config();
  chmod(path.c_str(), 0);
  // As root the mode alone would not keep the client from reading it.
  ScopedFilePermissionsHold hold;
  StartClient();
  ASSERT_TRUE(WaitForNavigation(0));
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_TRUE(recorder.messages[0].error);
  EXPECT_EQ(recorder.messages[0].text,
            "Soubor s nastavením nelze přečíst. Program jej ponechá beze změny a nastavení "
            "neuloží:\n" +
                path);
  dialog = new TForm2(form, *form);
  form->SetDialogs(dialog, nullptr);
  recorder.messages.clear();
  EXPECT_TRUE(RunModal([&] {
    dialog->Edit1->ChangeValue(Wx(shop::kDemoUser));
    dialog->Edit2->ChangeValue(Wx(shop::kDemoPassword));
    Click(dialog->Button1);
  }));
  ASSERT_FALSE(recorder.messages.empty());
  EXPECT_EQ(recorder.messages.back().text,
            "Nastavení nelze uložit, protože soubor s nastavením nelze přečíst:\n" + path);
  EXPECT_EQ(ModeOf(path), 0u);
  chmod(path.c_str(), 0600);
  EXPECT_EQ(Config(), config);
}

TEST_F(SettingsDialogTest, ConnectWithoutCredentialsOpensTheDialog) {
  Open(shop::kDemoUser, "", "0");
  const int before = navigations();
  EXPECT_TRUE(RunModal([&] { Click(dialog->Button2); }, [&] { form->Pipojit1Click(); }));
  PumpFor(300);
  EXPECT_EQ(navigations(), before);
  // Saving from there logs in.
  EXPECT_TRUE(RunModal(
      [&] {
        dialog->Edit2->ChangeValue(Wx(shop::kDemoPassword));
        Click(dialog->Button1);
      },
      [&] { form->Pipojit1Click(); }));
  ExpectLoggedInAsDemoUser(before);
}

TEST_F(SettingsDialogTest, UnusableEntriesAreRefusedAndNothingIsSaved) {
  // A password outside Windows-1250, and user names that the engine would
  // drop from the login address as dot segments.
  const struct {
    const char* user;
    const char* password;
    const char* message;
  } cases[] = {{shop::kDemoUser, "heslo日", kUnusablePassword},
               {"Jan日", shop::kDemoPassword, kUnusableUserName},
               {".", shop::kDemoPassword, kDotUserName},
               {"..", shop::kDemoPassword, kDotUserName}};
  Open("jana", kOtherDigest, "0");
  const std::string config = Config();
  const int before = navigations();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.user);
    recorder.messages.clear();
    EXPECT_FALSE(RunModal([&] {
      dialog->Edit1->ChangeValue(Wx(c.user));
      dialog->Edit2->ChangeValue(Wx(c.password));
      dialog->CheckBox1->SetValue(true);
      Click(dialog->Button1);
      // Still there, entries and all, for the user to correct.
      EXPECT_TRUE(dialog->IsShown());
      EXPECT_EQ(Utf8(dialog->Edit1->GetValue()), c.user);
      EXPECT_EQ(Utf8(dialog->Edit2->GetValue()), c.password);
    }));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_FALSE(recorder.messages[0].error);
    EXPECT_EQ(recorder.messages[0].text, c.message);
    EXPECT_EQ(form->UserName, "jana");
    EXPECT_EQ(form->PasswordHash, kOtherDigest);
    EXPECT_EQ(form->AutoLogin, "0");
    EXPECT_EQ(Config(), config);
  }
  PumpFor(300);
  EXPECT_EQ(navigations(), before);
}

TEST_F(SettingsDialogTest, PastedLineBreaksCannotSplitTheConfigFile) {
  Open("", "", "0");
  dialog->Show();
  PumpFor(200);
  for (wxTextCtrl* edit : {dialog->Edit1, dialog->Edit2}) {
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTheClipboard->SetData(new wxTextDataObject("first\r\nsecond"));
    wxTheClipboard->Close();
    edit->SetFocus();
    edit->Paste();
    EXPECT_TRUE(PumpUntil([&] { return !edit->IsEmpty(); }, 2000));
    EXPECT_EQ(Utf8(edit->GetValue()), "first");
  }
  dialog->Hide();
}

TEST_F(SettingsDialogTest, TabAndShiftTabWalkTheControlsBothWays) {
  Open("jana", kOtherDigest, "0");
  RunModal([&] {
    const std::vector<wxWindow*> order = {dialog->Edit1, dialog->Edit2, dialog->CheckBox1,
                                          dialog->Button1, dialog->Button2};
    const auto press = [&](wxWindow* from, int modifiers) {
      from->SetFocus();
      PumpUntil([&] { return wxWindow::FindFocus() == from; }, 2000);
      std::system(modifiers == wxMOD_SHIFT ? "xdotool key shift+Tab" : "xdotool key Tab");
      PumpFor(150);
      return wxWindow::FindFocus();
    };
    for (size_t i = 0; i + 1 < order.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(press(order[i], wxMOD_NONE), order[i + 1]);
      EXPECT_EQ(press(order[i + 1], wxMOD_SHIFT), order[i]);
    }
  });
}

// Opened from the menu by keyboard, as a user does, the dialog is not the
// window the toolkit believes active; a Tab there must still move on.
TEST_F(SettingsDialogTest, RealTabsFromTheMenuOpenedDialogKeepTheFocusInItsControls) {
  Open("", "", "0");
  // A dialog the keys cannot close is ended, so that the test reports it.
  wxTimer rescue;
  rescue.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (dialog->IsModal()) dialog->EndModal(wxID_ABORT);
  });
  rescue.StartOnce(20000);
  InputWhileRunning({"key F10 sleep 0.5 key --delay 150 Down Down Down Return sleep 1",
                     "type --delay 30 jana", "key Tab", "type --delay 30 ab", "key Tab shift+Tab",
                     "type --delay 30 cd", "sleep 0.3 key Return"});
  EXPECT_TRUE(PumpUntil([&] { return Config().find("jana") != std::string::npos; }, 25000))
      << Config();
  EXPECT_FALSE(dialog->IsShown());
  // Tabbing into the password box selects what it held, as in any entry.
  const std::string password = Utf8(dialog->Edit2->GetValue());
  EXPECT_EQ(password, "cd");
  EXPECT_EQ(Config(), ConfigOf("jana", DigestOfTypedPassword(password).value_or("?"), "0"));
}

}  // namespace
}  // namespace zovaz::testing
