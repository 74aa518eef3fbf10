// TForm3, the About dialog.
#pragma once

#include <wx/dialog.h>

class TForm1;

class TForm3 : public wxDialog {
 public:
  explicit TForm3(TForm1& owner);

 private:
  TForm1& form1_;
};
