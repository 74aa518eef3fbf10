// The small window the customer sees while the start-up waits for the shop.
#pragma once

#include <wx/iconbndl.h>

#include <atomic>
#include <chrono>
#include <string>

class wxButton;
class wxFrame;
class wxTopLevelWindow;

// Shows itself once the start-up has waited longer than `delay`; its button
// cancels the download in progress, which then counts as failed. The window
// goes with the object.
class StartupProgress {
 public:
  StartupProgress(const std::string& text, const std::string& cancelLabel, wxIconBundle icons,
                  std::chrono::milliseconds delay = std::chrono::milliseconds(1000));
  ~StartupProgress();
  StartupProgress(const StartupProgress&) = delete;
  StartupProgress& operator=(const StartupProgress&) = delete;

  // Called while a download waits, with that download's cancel flag.
  // Returns the window once it is shown, else null.
  wxTopLevelWindow* Tick(std::atomic<bool>* cancel);

  wxFrame* Window() const { return window_; }
  wxButton* CancelButton() const { return button_; }

 private:
  void Build();
  void Cancel();

  std::string text_;
  std::string cancelLabel_;
  wxIconBundle icons_;
  std::chrono::steady_clock::time_point showAt_;
  std::atomic<bool>* cancel_ = nullptr;
  wxFrame* window_ = nullptr;
  wxButton* button_ = nullptr;
};
