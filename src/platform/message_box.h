// Where the client's message boxes go: the real modal boxes, or a recorder
// in tests.
#pragma once

#include <string>

class wxWindow;

namespace zovaz {

inline constexpr const char* kApplicationTitle = "Marlevo s.r.o. - Z-ovaz";

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // The application title as caption, no icon, OK; returns when dismissed.
  virtual void Inform(const std::string& text) = 0;
  // The application title as caption, error icon, OK.
  virtual void Error(const std::string& text) = 0;
};

// Modal wxWidgets message boxes over `parent` (may be null).
class ModalMessageBoxes : public MessageSink {
 public:
  void SetParent(wxWindow* parent) { parent_ = parent; }
  void Inform(const std::string& text) override;
  void Error(const std::string& text) override;

 private:
  wxWindow* parent_ = nullptr;
};

}  // namespace zovaz
