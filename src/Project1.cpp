// Program entry: the application, its title, and its three windows in order.
#include <wx/app.h>

#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "exception_report.h"
#include "platform/deployment.h"
#include "platform/message_box.h"
#include "platform/shell.h"
#include "core/data_folder.h"

class TApplication : public wxApp {
 public:
  bool OnInit() override {
    SetAppDisplayName(wxString::FromUTF8(zovaz::kApplicationTitle));
    TForm1Environment environment;
    environment.localAppData = zovaz::LocalAppData();
    environment.exeDir = zovaz::ExeDirOf(zovaz::ExecutablePath());
    environment.vendorSiteUrl = zovaz::VendorSiteUrl();
    environment.vendorSiteName = zovaz::VendorSiteName();
    environment.messages = &messages_;

    auto* form1 = new TForm1(environment);
    messages_.SetParent(form1);
    SetTopWindow(form1);
    auto* form2 = new TForm2(*form1);
    auto* form3 = new TForm3(*form1);
    form1->SetDialogs(form2, form3);
    form1->Show();
    return true;
  }

  // Whatever a handler let through is shown, and the program goes on.
  bool OnExceptionInMainLoop() override {
    zovaz::ReportException(messages_, std::current_exception());
    return true;
  }

 private:
  zovaz::ModalMessageBoxes messages_;
};

wxIMPLEMENT_APP(TApplication);
