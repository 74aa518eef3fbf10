#include "Unit3.h"

#include "Unit1.h"

TForm3::TForm3(TForm1& owner)
    : wxDialog(&owner, wxID_ANY, wxString::FromUTF8("Marlevo s.r.o. - Z-ovaz - O programu")),
      form1_(owner) {}
