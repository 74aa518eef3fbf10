#include "Unit2.h"

#include "Unit1.h"

TForm2::TForm2(TForm1& owner)
    : wxDialog(&owner, wxID_ANY, wxString::FromUTF8("Marlevo s.r.o. - Z-ovaz - Nastavení")),
      form1_(owner) {}
