// TForm2, the settings dialog: user name, password and automatic login.
#pragma once

#include <wx/dialog.h>

class TForm1;

class TForm2 : public wxDialog {
 public:
  explicit TForm2(TForm1& owner);

 private:
  TForm1& form1_;
};
