// What the dialogs use of the main window: the fields they edit, the text
// lookup, messages, the vendor's site and the login. The main window
// implements it; a dialog can be built against any other implementation.
#pragma once

#include <string>

#include "platform/message_box.h"

class DialogHost {
 public:
  // The login fields the settings dialog edits in place.
  std::string UserName;
  std::string PasswordHash;
  std::string AutoLogin;

  virtual std::string locString(const std::string& text) const = 0;
  virtual zovaz::MessageSink& Messages() const = 0;
  virtual const std::string& VendorSiteUrl() const = 0;
  // Hands an address to the desktop's browser; false when nothing took it.
  virtual bool OpenLink(const std::string& url) = 0;
  virtual void Connect() = 0;
  virtual void SaveCfg() = 0;

 protected:
  ~DialogHost() = default;
};
