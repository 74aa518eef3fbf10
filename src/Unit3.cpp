#include "Unit3.h"

#include <wx/brush.h>
#include <wx/button.h>
#include <wx/graphics.h>
#include <wx/image.h>
#include <wx/pen.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <utility>

#include "core/memory_text.h"
#include "dialog_host.h"
#include "dialog_layout.h"
#include "platform/accessibility.h"
#include "platform/dark_style.h"
#include "platform/memory_status.h"
#include "platform/wx_text.h"

using namespace zovaz;

namespace {

// The dialog as designed for an 8-point system font, in pixels.
constexpr int kClientWidth = 322;
constexpr int kClientHeight = 260;
constexpr int kBoxLeft = 8;
constexpr int kBoxWidth = 307;
constexpr int kLogoBoxTop = 8;
constexpr int kLogoBoxHeight = 80;
constexpr int kLabelBoxTop = 96;
constexpr int kLabelBoxHeight = 124;
constexpr int kLogoWidth = 300;
constexpr int kLogoHeight = 73;
constexpr int kRowPitch = 16;
constexpr int kLeftLabelStart = 8;  // inside the box
constexpr int kLeftLabelEnd = 145;  // inside the box, right-aligned to it
constexpr int kRightLabelStart = 160;
constexpr int kNoticeLeft = 16;
constexpr int kNoticeTop = 234;
constexpr int kButtonLeft = 235;
constexpr int kButtonTop = 226;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

const wxColour kLinkColour(0, 0, 128);
const wxColour kLogoInk(0, 40, 110);

// The vendor's logo, drawn for the given size in pixels of the screen (its
// logical size times `scale`) so that it stays sharp when the dialog or the
// desktop is scaled; the background is left transparent, and the word mark
// is drawn in `ink`, which must read on the dialog's background.
wxBitmap VendorLogo(int logicalWidth, int logicalHeight, double scale, const wxColour& ink) {
  const int width = static_cast<int>(std::lround(logicalWidth * scale));
  const int height = static_cast<int>(std::lround(logicalHeight * scale));
  wxImage image(width, height);
  image.InitAlpha();
  std::fill_n(image.GetAlpha(), width * height, 0);
  {
    std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(image));
    if (!gc) return wxBitmap(image, wxBITMAP_SCREEN_DEPTH, scale);
    gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
    gc->Scale(static_cast<double>(width) / kLogoWidth, static_cast<double>(height) / kLogoHeight);

    const wxColour navy = kLogoInk;
    const wxColour accent(214, 40, 40);
    // Emblem: a navy tile with a red bar and a white "M".
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->SetBrush(wxBrush(navy));
    gc->DrawRoundedRectangle(4, 4, 65, 65, 10);
    gc->SetBrush(wxBrush(accent));
    gc->DrawRectangle(4, 52, 65, 7);
    wxGraphicsPath m = gc->CreatePath();
    m.MoveToPoint(16, 46);
    m.AddLineToPoint(16, 16);
    m.AddLineToPoint(36.5, 36);
    m.AddLineToPoint(57, 16);
    m.AddLineToPoint(57, 46);
    gc->SetPen(wxPen(*wxWHITE, 7, wxPENSTYLE_SOLID));
    gc->StrokePath(m);

    // Word mark, shrunk to the space right of the emblem if the font is wide.
    const wxFont wordFont(wxFontInfo(wxSize(0, 40)).Family(wxFONTFAMILY_SWISS).Bold());
    gc->SetFont(wordFont, ink);
    double w = 0, h = 0, descent = 0, leading = 0;
    gc->GetTextExtent("Marlevo", &w, &h, &descent, &leading);
    const double room = kLogoWidth - 82.0;
    const double shrink = w > room ? room / w : 1.0;
    gc->PushState();
    gc->Translate(80, 4);
    gc->Scale(shrink, shrink);
    gc->DrawText("Marlevo", 0, 0);
    gc->PopState();

    gc->SetPen(wxPen(accent, 2));
    gc->StrokeLine(82, 52, kLogoWidth - 4, 52);
    gc->SetFont(wxFont(wxFontInfo(wxSize(0, 14)).Family(wxFONTFAMILY_SWISS)), ink);
    gc->DrawText("spol. s r.o.", 82, 55);
  }
  return wxBitmap(image, wxBITMAP_SCREEN_DEPTH, scale);
}

}  // namespace

TForm3::TForm3(wxWindow* parent, DialogHost& host)
    : wxDialog(parent, wxID_ANY, Wx("Marlevo s.r.o. - Z-ovaz - O programu"), wxDefaultPosition,
               wxDefaultSize, wxCAPTION),
      host_(host) {
  // The theme's own dialog colour is the button face here; set as a fixed
  // colour it would stay light when the desktop turns dark and the theme's
  // text turns light with it.
  CreateComponents();
  FormCreate();
  DescribeForScreenReaders();
  // Sized after the translation, for the texts actually shown.
  ArrangeComponents();
  themeWatch_ = std::make_unique<ThemeWatch>(this, [this] { FollowTheme(); });
  CentreOnParent();
}

TForm3::~TForm3() = default;

void TForm3::CreateComponents() {
  // The boxes come first so that the controls drawn over them stay on top.
  GroupBox1 = new wxStaticBox(this, wxID_ANY, "");
  GroupBox2 = new wxStaticBox(this, wxID_ANY, "");
  Image1 = new wxStaticBitmap(this, wxID_ANY, wxNullBitmap);

  const auto left = [this](const char* caption) {
    return new wxStaticText(this, wxID_ANY, Wx(caption), wxDefaultPosition, wxDefaultSize,
                            wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
  };
  const auto plain = [this](const std::string& caption) {
    return new wxStaticText(this, wxID_ANY, Wx(caption));
  };
  Label1 = left("Verze programu:");
  Label2 = plain("1.0.0.1");
  Label3 = left("Výrobce programu:");
  Label4 = plain("Marlevo, spol. s r.o.");
  Label9 = left("Web výrobce:");
  // A generic label has a window of its own, so the hand shows over the link
  // only; a native GTK label would put it on the whole dialog.
  // The address is deployment data: an "&" in it is text, not a mnemonic.
  Label10 = new wxGenericStaticText(this, wxID_ANY,
                                    wxControl::EscapeMnemonics(Wx(host_.VendorSiteUrl())));
  Label10->SetFont(Label10->GetFont().Underlined());
  Label10->SetCursor(wxCursor(wxCURSOR_HAND));
  Label10->Bind(wxEVT_LEFT_UP, [this](wxMouseEvent&) { Label10Click(); });
  Label5 = left("Paměť Windows:");
  Label6 = plain("");
  Label7 = left("Využitá paměť Windows:");
  Label8 = plain("");
  Label11 = plain("Z-ovaz \u00a9 Marlevo s.r.o.");

  // Not the stock id: GTK would show its own translation ("Budiž") for it.
  Button1 = new wxButton(this, wxID_ANY, "OK");
  SetAffirmativeId(Button1->GetId());
  Button1->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Button1Click(); });
}

void TForm3::FormCreate() {
  const MemoryStatus memory = QueryMemoryStatus();
  Label6->SetLabel(Wx(FormatKilobytes(memory.totalPhysicalBytes, LocaleThousandsSeparator())));
  Label8->SetLabel(Wx(FormatMemoryLoad(memory.memoryLoad)));
  SetTitle(Wx("Marlevo s.r.o. - Z-ovaz - " + host_.locString("O programu")));
  for (wxStaticText* label : {Label1, Label3, Label5, Label7, Label9}) {
    label->SetLabel(Wx(host_.locString(Utf8(label->GetLabel()))));
  }
}

// The logo, the boxes and the link draw or hold no text a screen reader
// could announce; each right-hand label is read with its caption.
void TForm3::DescribeForScreenReaders() {
  SetAccessibleRole(this, AccessibleRole::Dialog);
  const std::string logo = host_.locString("Logo společnosti Marlevo");
  SetAccessibleName(Image1, logo);
  NameUncaptionedBox(GroupBox1, logo);
  NameUncaptionedBox(GroupBox2, host_.locString("Informace o programu"));
  SetAccessibleRole(Label10, AccessibleRole::Link);
  SetAccessibleName(Label10, Utf8(Label10->GetLabelText()));
  const std::pair<wxWindow*, wxWindow*> rows[] = {
      {Label1, Label2}, {Label3, Label4}, {Label9, Label10}, {Label5, Label6}, {Label7, Label8}};
  for (const auto& [caption, value] : rows) RelateLabel(caption, value);
}

void TForm3::ArrangeComponents() {
  const std::initializer_list<wxWindow*> leftLabels = {Label1, Label3, Label9, Label5, Label7};
  const std::initializer_list<wxWindow*> rightLabels = {Label2, Label4, Label10, Label6, Label8};
  const int rowTops[] = {16, 32, 48, 80, 96};

  DialogLayout layout;
  int rowHeight = 0;
  const int rightRoom = kBoxWidth - kRightLabelStart - kLeftLabelStart;
  for (wxWindow* label : leftLabels) {
    layout.Needs(label, {0, 0, kLeftLabelEnd - kLeftLabelStart, kRowPitch});
    rowHeight = std::max(rowHeight, label->GetBestSize().y);
  }
  for (wxWindow* label : rightLabels) {
    layout.Needs(label, {0, 0, rightRoom, kRowPitch});
    rowHeight = std::max(rowHeight, label->GetBestSize().y);
  }
  const wxSize notice = Label11->GetBestSize();
  const wxSize button = Button1->GetBestSize();
  layout.Needs(notice, {0, 0, kButtonLeft - kNoticeLeft - kBoxLeft, 0});
  // The button may grow taller, into the margins around it.
  layout.Needs(wxSize(button.x, button.y + kBoxLeft),
               {0, 0, kButtonWidth, kClientHeight - kLabelBoxTop - kLabelBoxHeight});
  const auto px = [&layout](int designed) { return layout.Px(designed); };

  layout.FixClientSize(*this, kClientWidth, kClientHeight);
  layout.Place(GroupBox1, {kBoxLeft, kLogoBoxTop, kBoxWidth, kLogoBoxHeight});
  layout.Place(GroupBox2, {kBoxLeft, kLabelBoxTop, kBoxWidth, kLabelBoxHeight});

  // The logo keeps its proportions inside its frame.
  const wxRect frame(px(kBoxLeft + 3), px(kLogoBoxTop + 3), px(302), px(73));
  const double fit = std::min(double(frame.width) / kLogoWidth, double(frame.height) / kLogoHeight);
  const wxSize logo(static_cast<int>(kLogoWidth * fit), static_cast<int>(kLogoHeight * fit));
  logoSize_ = logo;
  FollowTheme();
  Image1->SetSize(frame.x, frame.y, logo.x, logo.y);

  const int leftStart = px(kBoxLeft + kLeftLabelStart);
  const int leftEnd = px(kBoxLeft + kLeftLabelEnd);
  const int rightStart = px(kBoxLeft + kRightLabelStart);
  const int rightEnd = px(kBoxLeft + kBoxWidth - kLeftLabelStart);
  int row = 0;
  for (wxWindow* label : leftLabels) {
    label->SetSize(leftStart, px(kLabelBoxTop + rowTops[row++]), leftEnd - leftStart, rowHeight);
  }
  row = 0;
  for (wxWindow* label : rightLabels) {
    const int width = std::min(label->GetBestSize().x, rightEnd - rightStart);
    label->SetSize(rightStart, px(kLabelBoxTop + rowTops[row++]), width, rowHeight);
  }

  // OK keeps to the bottom right corner; the notice sits level with it.
  const wxSize okSize(std::max(px(kButtonWidth), button.x), std::max(px(kButtonHeight), button.y));
  const wxPoint okCorner(px(kButtonLeft + kButtonWidth), px(kButtonTop + kButtonHeight));
  Button1->SetSize(okCorner.x - okSize.x, okCorner.y - okSize.y, okSize.x, okSize.y);
  Label11->SetSize(px(kNoticeLeft), okCorner.y - okSize.y / 2 - notice.y / 2, notice.x, notice.y);
}

void TForm3::FollowTheme() {
  const wxColour background = ThemeBackground(this);
  // Its own recolouring restyles the link, never the dialog; and a restyle
  // that keeps the background needs nothing new.
  if (background == themeBackground_) return;
  themeBackground_ = background;
  // Navy as designed, lifted on a dark theme, where navy would not read.
  Label10->SetForegroundColour(ReadableOn(background, kLinkColour));
  Label10->Refresh();
  Image1->SetBitmap(VendorLogo(logoSize_.x, logoSize_.y, GetContentScaleFactor(),
                               ReadableOn(background, kLogoInk)));
}

int TForm3::ShowModal() {
  CentreOnParent();
  return wxDialog::ShowModal();
}

void TForm3::Button1Click() { CloseDialog(*this, wxID_OK); }

void TForm3::Label10Click() { host_.OpenLink(host_.VendorSiteUrl()); }
