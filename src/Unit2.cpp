#include "Unit2.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/panel.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "core/app_config.h"
#include "core/windows1250.h"
#include "crypto/password_digest.h"
#include "dialog_host.h"
#include "dialog_layout.h"
#include "exception_report.h"
#include "platform/accessibility.h"
#include "platform/password_box.h"
#include "platform/wx_text.h"

namespace {

using Rect = zovaz::DesignedRect;

// The designed geometry, in pixels of an 8-point font. Positions inside the
// group box and the panel are relative to them. The heights of the labels
// and the widths of the left-aligned labels are the room the design leaves
// them, not their own size.
constexpr int kClientWidth = 401;
constexpr int kClientHeight = 186;
constexpr Rect kGroupBox1{8, 8, 385, 136};
constexpr int kGroupBoxCaptionRoom = 16;  // above the first row
// Both labels end where Label1 ends, 8 pixels before the edit boxes.
constexpr Rect kLabel1{18, 24, 86, 24};
constexpr Rect kEdit1{112, 24, 254, 21};
constexpr Rect kLabel2{18, 48, 86, 24};
constexpr Rect kEdit2{112, 48, 254, 21};
constexpr Rect kLabel4{112, 72, 265, 16};
constexpr Rect kLabel3{112, 88, 265, 16};
constexpr Rect kCheckBox1{112, 112, 161, 17};
constexpr int kPanelHeight = 42;
constexpr Rect kButton1{16, 8, 78, 25};
constexpr Rect kButton2{307, 8, 78, 25};

bool IsEnter(int key) { return key == WXK_RETURN || key == WXK_NUMPAD_ENTER; }

// A GTK entry takes pasted line breaks; a value with one would split its line
// of the configuration file. Keep what precedes the first one, as a classic
// single-line edit box does with pasted text.
void KeepFirstLine(wxCommandEvent& event) {
  auto* edit = static_cast<wxTextCtrl*>(event.GetEventObject());
  const wxString value = edit->GetValue();
  const size_t lineBreak = value.find_first_of("\r\n");
  if (lineBreak != wxString::npos) {
    edit->ChangeValue(value.substr(0, lineBreak));
    edit->SetInsertionPointEnd();
  }
  event.Skip();
}

}  // namespace

TForm2::TForm2(wxWindow* parent, DialogHost& host)
    : wxDialog(parent, wxID_ANY, Wx("Marlevo s.r.o. - Z-ovaz - Nastavení"), wxDefaultPosition,
               wxDefaultSize, wxCAPTION),
      host_(host) {
  CreateComponents();
  FormCreate();
  // Screen readers announce the edit boxes by the captions beside them.
  zovaz::SetAccessibleRole(this, zovaz::AccessibleRole::Dialog);
  for (auto [label, edit] : {std::pair{Label1, Edit1}, std::pair{Label2, Edit2}}) {
    zovaz::RelateLabel(label, edit);
    zovaz::SetAccessibleName(edit, Utf8(label->GetLabelText()));
  }
  // After the captions are translated: their length decides the room needed.
  LayOut();
}

void TForm2::CreateComponents() {
  // Creation order is tab order: the edit boxes, the check box, then the buttons.
  GroupBox1 = new wxStaticBox(this, wxID_ANY, Wx("Uživatel"));
  Label1 = new wxStaticText(this, wxID_ANY, Wx("Uživatelské jméno"), wxDefaultPosition,
                            wxDefaultSize, wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
  // Windows hands Enter to the dialog, not to the box, unless the box asks
  // for it; Enter in either box saves (Edit1KeyDown).
  Edit1 = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                         wxTE_PROCESS_ENTER);
  Label2 = new wxStaticText(this, wxID_ANY, Wx("Heslo"), wxDefaultPosition, wxDefaultSize,
                            wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
  Edit2 = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                         wxTE_PASSWORD | wxTE_PROCESS_ENTER);
  zovaz::MaskWithAsterisks(Edit2);
  Label4 =
      new wxStaticText(this, wxID_ANY, Wx("Vyplňte pouze pokud chcete již uložené heslo změnit."));
  Label3 = new wxStaticText(this, wxID_ANY, Wx("Heslo je ukládáno v šifrované podobě."));
  CheckBox1 = new wxCheckBox(this, wxID_ANY, Wx("Automatické přihlášení"));
  CheckBox1->SetValue(true);
  Panel1 = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE);
  Button1 =
      new wxButton(Panel1, wxID_ANY, Wx("Uložit"), wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
  // The cancel id makes Esc anywhere in the dialog press this button.
  Button2 = new wxButton(Panel1, wxID_CANCEL, Wx("Zrušit"), wxDefaultPosition, wxDefaultSize,
                         wxBU_EXACTFIT);
  SetEscapeId(wxID_CANCEL);

  Button1->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Button1Click(); });
  Button2->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Button2Click(); });
  Edit1->Bind(wxEVT_KEY_DOWN, &TForm2::Edit1KeyDown, this);
  Edit2->Bind(wxEVT_KEY_DOWN, &TForm2::Edit2KeyDown, this);
  for (wxTextCtrl* edit : {Edit1, Edit2}) edit->Bind(wxEVT_TEXT, KeepFirstLine);
  zovaz::WalkFocusWithTab(*this, {Edit1, Edit2, CheckBox1, Button1, Button2});
  // GTK toggles a focused check box on Enter; here Enter on it does nothing.
  CheckBox1->Bind(wxEVT_KEY_DOWN, [](wxKeyEvent& event) {
    if (!IsEnter(event.GetKeyCode())) event.Skip();
  });
}

void TForm2::FormCreate() {
  SetTitle(Wx("Marlevo s.r.o. - Z-ovaz - " + host_.locString("Nastavení")));
  for (wxWindow* control : std::initializer_list<wxWindow*>{Label1, Label2, Label3, Label4, Button2,
                                                            Button1, CheckBox1, GroupBox1}) {
    control->SetLabel(Wx(host_.locString(Utf8(control->GetLabel()))));
  }
}

void TForm2::LayOut() {
  zovaz::DialogLayout layout;
  // Labels: the design gives their width (the right-aligned ones) or their
  // row, not their height.
  layout.Needs(Label1, {0, 0, kLabel1.width, kLabel1.height});
  layout.Needs(Label2, {0, 0, kLabel2.width, kLabel2.height});
  layout.Needs(Label4, kLabel4);
  layout.Needs(Label3, kLabel3);
  layout.Needs(CheckBox1, kCheckBox1);
  layout.Needs(Button1, kButton1);
  layout.Needs(Button2, kButton2);
  // Edit boxes: only their height is fixed by the toolkit.
  for (wxWindow* edit : {Edit1, Edit2}) layout.Needs(edit, {0, 0, 0, kEdit1.height});
  const wxSize caption = GroupBox1->GetTextExtent(GroupBox1->GetLabel());
  layout.Needs(wxSize(caption.x + 2 * kGroupBox1.left, caption.y),
               {0, 0, kGroupBox1.width, kGroupBoxCaptionRoom});
  scale_ = layout.Scale();

  layout.Place(GroupBox1, kGroupBox1);
  const wxPoint box(layout.Px(kGroupBox1.left), layout.Px(kGroupBox1.top));
  layout.Place(Label1, {kLabel1.left, kLabel1.top, kLabel1.width, 0}, box);
  layout.Place(Edit1, kEdit1, box);
  layout.Place(Label2, {kLabel2.left, kLabel2.top, kLabel2.width, 0}, box);
  layout.Place(Edit2, kEdit2, box);
  layout.PlaceAtBestSize(Label4, kLabel4, box);
  layout.PlaceAtBestSize(Label3, kLabel3, box);
  layout.Place(CheckBox1, kCheckBox1, box);

  const int panelTop = layout.Px(kClientHeight - kPanelHeight);
  Panel1->SetSize(0, panelTop, layout.Px(kClientWidth), layout.Px(kClientHeight) - panelTop);
  layout.Place(Button1, kButton1);
  layout.Place(Button2, kButton2);
  layout.FixClientSize(*this, kClientWidth, kClientHeight);
}

bool TForm2::Show(bool show) {
  if (show && !IsShown()) {
    // The main window may have moved since the last showing.
    CentreOnParent();
    FormShow();
  }
  return wxDialog::Show(show);
}

void TForm2::FormShow() {
  // The password box keeps what was typed: it never holds the stored digest.
  // Stored in Windows-1250, as every text the client keeps.
  Edit1->ChangeValue(Wx(zovaz::FromWindows1250(host_.UserName)));
  CheckBox1->SetValue(zovaz::FlagIsOn(host_.AutoLogin));
}

void TForm2::Button1Click() {
  // A failed login attempt leaves the dialog open for another try; its
  // cause is shown like any other unexpected failure.
  try {
    Save();
  } catch (...) {
    zovaz::ReportException(host_.Messages(), std::current_exception());
  }
}

void TForm2::Save() {
  // Checked before anything changes, so a refused entry leaves no trace.
  // "." and ".." would be dot segments of the login address, which the web
  // engine removes, so the shop would never see the user segment.
  const std::string typedUser = Utf8(Edit1->GetValue());
  std::optional<std::string> user = zovaz::ToWindows1250(typedUser);
  // A stored name with a byte the box cannot show stays as it was stored
  // while the box still shows it unchanged.
  if (!user && typedUser == zovaz::FromWindows1250(host_.UserName)) user = host_.UserName;
  if (!user) {
    host_.Messages().Inform(
        host_.locString("Uživatelské jméno obsahuje znaky, které nelze použít."));
    return;
  }
  if (*user == "." || *user == "..") {
    host_.Messages().Inform(host_.locString("Uživatelské jméno nemůže být \".\" ani \"..\"."));
    return;
  }
  std::optional<std::string> digest;
  const std::string typed = Utf8(Edit2->GetValue());
  if (!typed.empty()) {
    digest = zovaz::DigestOfTypedPassword(typed);
    if (!digest) {
      host_.Messages().Inform(host_.locString("Heslo obsahuje znaky, které nelze použít."));
      return;
    }
  }
  host_.UserName = *user;
  if (digest) host_.PasswordHash = *digest;
  host_.AutoLogin = CheckBox1->GetValue() ? "1" : "0";
  host_.Connect();
  host_.SaveCfg();
  CloseDialog(wxID_OK);
}

void TForm2::Button2Click() { CloseDialog(wxID_CANCEL); }

void TForm2::Edit1KeyDown(wxKeyEvent& event) {
  if (IsEnter(event.GetKeyCode())) {
    Button1Click();
  } else if (event.GetKeyCode() == WXK_ESCAPE) {
    CloseDialog(wxID_CANCEL);
  } else {
    event.Skip();
  }
}

void TForm2::Edit2KeyDown(wxKeyEvent& event) { Edit1KeyDown(event); }

void TForm2::CloseDialog(int result) { zovaz::CloseDialog(*this, result); }
