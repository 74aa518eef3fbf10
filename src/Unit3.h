// TForm3, the About dialog: version, producer, the vendor's web site and the
// machine's memory figures.
#pragma once

#include <wx/dialog.h>
#include <wx/stattext.h>

#include <memory>
#include <string>

// Quoted so that it stays after <wx/stattext.h>: included first, it would
// keep the native label from being declared at all.
#include "wx/generic/stattextg.h"

class DialogHost;
class wxButton;
class wxStaticBitmap;
class wxStaticBox;
namespace zovaz {
class ThemeWatch;
}

class TForm3 : public wxDialog {
 public:
  TForm3(wxWindow* parent, DialogHost& host);
  ~TForm3() override;

  // Centres on the main window each time, wherever that has moved since.
  int ShowModal() override;

  void Button1Click();
  void Label10Click();

  // Components.
  wxStaticBox* GroupBox1 = nullptr;
  wxStaticBitmap* Image1 = nullptr;
  wxStaticBox* GroupBox2 = nullptr;
  wxStaticText* Label1 = nullptr;
  wxStaticText* Label2 = nullptr;
  wxStaticText* Label3 = nullptr;
  wxStaticText* Label4 = nullptr;
  wxStaticText* Label9 = nullptr;
  wxGenericStaticText* Label10 = nullptr;
  wxStaticText* Label5 = nullptr;
  wxStaticText* Label6 = nullptr;
  wxStaticText* Label7 = nullptr;
  wxStaticText* Label8 = nullptr;
  wxStaticText* Label11 = nullptr;
  wxButton* Button1 = nullptr;

 private:
  void CreateComponents();
  void FormCreate();
  void DescribeForScreenReaders();
  void ArrangeComponents();
  // The link and the logo's word mark are coloured by the dialog itself:
  // they must read on the background the theme gives it, now and after the
  // desktop switches between light and dark.
  void FollowTheme();

  DialogHost& host_;
  std::unique_ptr<zovaz::ThemeWatch> themeWatch_;
  wxSize logoSize_;
  wxColour themeBackground_;  // the one the colours were chosen for
};
