#include "Unit2.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/panel.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>

#include "Unit1.h"
#include "core/app_config.h"
#include "crypto/password_digest.h"
#include "exception_report.h"
#include "platform/password_box.h"
#include "wx_text.h"

namespace {

struct Rect {
  int left, top, width, height;
};

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

TForm2::TForm2(TForm1& owner)
    : wxDialog(&owner, wxID_ANY, Wx("Marlevo s.r.o. - Z-ovaz - Nastavení"), wxDefaultPosition,
               wxDefaultSize, wxCAPTION),
      form1_(owner) {
  CreateComponents();
  FormCreate();
  // After the captions are translated: their length decides the room needed.
  LayOut();
}

void TForm2::CreateComponents() {
  // Creation order is tab order: the edit boxes, the check box, then the buttons.
  GroupBox1 = new wxStaticBox(this, wxID_ANY, Wx("Uživatel"));
  Label1 = new wxStaticText(this, wxID_ANY, Wx("Uživatelské jméno"), wxDefaultPosition,
                            wxDefaultSize, wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
  Edit1 = new wxTextCtrl(this, wxID_ANY);
  Label2 = new wxStaticText(this, wxID_ANY, Wx("Heslo"), wxDefaultPosition, wxDefaultSize,
                            wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
  Edit2 = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                         wxTE_PASSWORD);
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
  // GTK toggles a focused check box on Enter; here Enter on it does nothing.
  CheckBox1->Bind(wxEVT_KEY_DOWN, [](wxKeyEvent& event) {
    if (!IsEnter(event.GetKeyCode())) event.Skip();
  });
}

void TForm2::FormCreate() {
  SetTitle(Wx("Marlevo s.r.o. - Z-ovaz - " + form1_.locString("Nastavení")));
  for (wxWindow* control : std::initializer_list<wxWindow*>{Label1, Label2, Label3, Label4, Button2,
                                                            Button1, CheckBox1, GroupBox1}) {
    control->SetLabel(Wx(form1_.locString(Utf8(control->GetLabel()))));
  }
}

void TForm2::LayOut() {
  // GTK's fonts and controls are larger than the design's: grow each axis by
  // the least factor that lets every control show all of itself, so the
  // designed proportions stay.
  double sx = 1.0;
  double sy = 1.0;
  const auto needs = [&](wxWindow* control, const Rect& room) {
    const wxSize best = control->GetBestSize();
    sx = std::max(sx, static_cast<double>(best.x) / room.width);
    sy = std::max(sy, static_cast<double>(best.y) / room.height);
  };
  needs(Label1, kLabel1);
  needs(Label2, kLabel2);
  needs(Label4, kLabel4);
  needs(Label3, kLabel3);
  needs(CheckBox1, kCheckBox1);
  needs(Button1, kButton1);
  needs(Button2, kButton2);
  // Edit boxes: only their height is fixed by the toolkit.
  for (wxWindow* edit : {Edit1, Edit2})
    sy = std::max(sy, static_cast<double>(edit->GetBestSize().y) / kEdit1.height);
  const wxSize caption = GroupBox1->GetTextExtent(GroupBox1->GetLabel());
  sy = std::max(sy, static_cast<double>(caption.y) / kGroupBoxCaptionRoom);
  sx = std::max(sx, static_cast<double>(caption.x + 2 * kGroupBox1.left) / kGroupBox1.width);
  scaleX_ = sx;
  scaleY_ = sy;

  const auto X = [sx](int x) { return static_cast<int>(std::lround(x * sx)); };
  const auto Y = [sy](int y) { return static_cast<int>(std::lround(y * sy)); };
  const auto place = [&](wxWindow* control, const wxPoint& origin, const Rect& r) {
    const wxSize best = control->GetBestSize();
    control->SetSize(origin.x + X(r.left), origin.y + Y(r.top), std::max(X(r.width), best.x),
                     std::max(Y(r.height), best.y));
  };
  const auto placeAutoSized = [&](wxWindow* control, const wxPoint& origin, const Rect& r) {
    control->SetSize(origin.x + X(r.left), origin.y + Y(r.top), control->GetBestSize().x,
                     control->GetBestSize().y);
  };

  place(GroupBox1, wxPoint(0, 0), kGroupBox1);
  const wxPoint box(X(kGroupBox1.left), Y(kGroupBox1.top));
  place(Label1, box, {kLabel1.left, kLabel1.top, kLabel1.width, 0});
  place(Edit1, box, kEdit1);
  place(Label2, box, {kLabel2.left, kLabel2.top, kLabel2.width, 0});
  place(Edit2, box, kEdit2);
  placeAutoSized(Label4, box, kLabel4);
  placeAutoSized(Label3, box, kLabel3);
  place(CheckBox1, box, kCheckBox1);

  const int panelTop = Y(kClientHeight - kPanelHeight);
  Panel1->SetSize(0, panelTop, X(kClientWidth), Y(kClientHeight) - panelTop);
  place(Button1, wxPoint(0, 0), kButton1);
  place(Button2, wxPoint(0, 0), kButton2);

  SetClientSize(X(kClientWidth), Y(kClientHeight));
  const wxSize fixed = GetSize();
  SetSizeHints(fixed, fixed);
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
  Edit1->ChangeValue(Wx(form1_.UserName));
  CheckBox1->SetValue(zovaz::FlagIsOn(form1_.AutoLogin));
}

void TForm2::Button1Click() {
  // A failed login attempt leaves the dialog open for another try; its
  // cause is shown like any other unexpected failure.
  try {
    Save();
  } catch (...) {
    zovaz::ReportException(form1_.Messages(), std::current_exception());
  }
}

void TForm2::Save() {
  // Checked before anything changes, so a refused entry leaves no trace.
  // "." and ".." would be dot segments of the login address, which the web
  // engine removes, so the shop would never see the user segment.
  const std::string user = Utf8(Edit1->GetValue());
  if (user == "." || user == "..") {
    form1_.Messages().Inform(form1_.locString("Uživatelské jméno nemůže být \".\" ani \"..\"."));
    return;
  }
  std::optional<std::string> digest;
  const std::string typed = Utf8(Edit2->GetValue());
  if (!typed.empty()) {
    digest = zovaz::DigestOfTypedPassword(typed);
    if (!digest) {
      form1_.Messages().Inform(form1_.locString("Heslo obsahuje znaky, které nelze použít."));
      return;
    }
  }
  form1_.UserName = user;
  if (digest) form1_.PasswordHash = *digest;
  form1_.AutoLogin = CheckBox1->GetValue() ? "1" : "0";
  form1_.Connect();
  form1_.SaveCfg();
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

void TForm2::CloseDialog(int result) {
  if (IsModal()) {
    EndModal(result);
  } else {
    Hide();
  }
}
