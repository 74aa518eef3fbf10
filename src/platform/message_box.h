// Where the client's message boxes go: the real modal boxes, or a recorder
// in tests.
#pragma once

#include <string>
#include <vector>

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
  // As Inform, with a button for each of `choices` instead of OK; returns
  // the index of the one pressed, -1 when the box was closed otherwise.
  // A sink without buttons informs, and nothing is chosen.
  virtual int Choose(const std::string& text, const std::vector<std::string>& /*choices*/) {
    Inform(text);
    return -1;
  }
};

// Modal wxWidgets message boxes over `parent` (may be null).
class ModalMessageBoxes : public MessageSink {
 public:
  void SetParent(wxWindow* parent) { parent_ = parent; }
  void Inform(const std::string& text) override;
  void Error(const std::string& text) override;
  // The last choice is the default and what Escape gives.
  int Choose(const std::string& text, const std::vector<std::string>& choices) override;

 private:
  wxWindow* parent_ = nullptr;
};

}  // namespace zovaz
