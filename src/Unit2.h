// TForm2, the settings dialog: user name, password and automatic login.
#pragma once

#include <wx/dialog.h>

class DialogHost;
class wxButton;
class wxCheckBox;
class wxKeyEvent;
class wxPanel;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

class TForm2 : public wxDialog {
 public:
  // Created once, after the main window; shown modally whenever needed and
  // hidden, never destroyed, when closed.
  TForm2(wxWindow* parent, DialogHost& host);

  // Every showing, modal or not, starts from the main window's values.
  bool Show(bool show = true) override;

  // Components.
  wxStaticBox* GroupBox1 = nullptr;
  wxStaticText* Label1 = nullptr;
  wxTextCtrl* Edit1 = nullptr;
  wxStaticText* Label2 = nullptr;
  wxTextCtrl* Edit2 = nullptr;
  wxStaticText* Label4 = nullptr;
  wxStaticText* Label3 = nullptr;
  wxCheckBox* CheckBox1 = nullptr;
  wxPanel* Panel1 = nullptr;
  wxButton* Button1 = nullptr;
  wxButton* Button2 = nullptr;

  // Handlers.
  void FormShow();
  void Button1Click();
  void Button2Click();
  void Edit1KeyDown(wxKeyEvent& event);
  void Edit2KeyDown(wxKeyEvent& event);

  // How much the designed layout had to grow to fit this toolkit's fonts
  // and controls (1 where it fits as designed).
  double Scale() const { return scale_; }

 private:
  void CreateComponents();
  void FormCreate();
  void LayOut();
  void Save();
  void CloseDialog(int result);

  DialogHost& host_;
  double scale_ = 1.0;
};
