// The small window the customer sees while the start-up waits for the shop.
#pragma once

#include <wx/iconbndl.h>

#include <chrono>
#include <string>

class wxButton;
class wxFrame;
class wxStaticText;
class wxTopLevelWindow;

// Shows itself once the start-up has waited longer than `delay`; its button
// cancels the wait in progress and every later one of the start-up: the
// customer has chosen not to connect. The window goes with the object.
class StartupProgress {
 public:
  StartupProgress(const std::string& text, const std::string& cancelLabel, wxIconBundle icons,
                  std::chrono::milliseconds delay = std::chrono::milliseconds(1000));
  ~StartupProgress();
  StartupProgress(const StartupProgress&) = delete;
  StartupProgress& operator=(const StartupProgress&) = delete;

  // What the window says, now or once it shows.
  void SetText(const std::string& text);
  wxFrame* Window() const { return window_; }
  wxButton* CancelButton() const { return button_; }

 private:
  // Called while a step waits; returns the window once it is shown.
  wxTopLevelWindow* Tick();
  void Build();
  void Cancel();

  std::string text_;
  std::string cancelLabel_;
  wxIconBundle icons_;
  std::chrono::steady_clock::time_point showAt_;
  bool cancelled_ = false;
  wxFrame* window_ = nullptr;
  wxButton* button_ = nullptr;
  wxStaticText* label_ = nullptr;
};
