// What the main window offers beyond its menu: keys that work wherever the
// focus is, the find bar, the page's zoom kept between runs, the error page
// for a failed navigation and the feedback on a file the page sends. The
// window wires it, as it wires the dialogs, and keeps its own commands.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/message_box.h"

class wxFrame;
class wxKeyEvent;

namespace zovaz {

class BrowserView;
class FindBar;
class ViewKeys;
class WheelZoom;
struct DownloadOutcome;
struct DownloadProgress;

class BrowsingExtras {
 public:
  // What the extras use of the window.
  struct Window {
    wxFrame* frame;  // its caption shows a download; the find bar goes below the page
    BrowserView* view;
    MessageSink* messages;
    std::function<std::string(const std::string&)> translate;  // locString
    std::function<std::string()> caption;                      // SavedCaption
    // The window's own commands, as the keys reach them.
    std::function<void()> print;
    std::function<void()> exit;
    // Opens a saved file or its folder in the desktop's application for it;
    // false when none started.
    std::function<bool(const std::string& path)> openFile;
  };

  explicit BrowsingExtras(Window window);
  ~BrowsingExtras();
  BrowsingExtras(const BrowsingExtras&) = delete;
  BrowsingExtras& operator=(const BrowsingExtras&) = delete;

  // Once the data folder is known: the zoom kept there applies, and changes
  // are kept there. Without a folder the zoom lasts for this run.
  void UseDataFolder(const std::string& dataDir);

  // The page's size; `level` 1 is the page as designed.
  void SetZoom(double level);
  double Zoom() const { return zoom_; }

  // Made on the first Ctrl+F; null before.
  FindBar* Find() const { return findBar_; }

  // The page shown instead of one that failed to load.
  std::string ErrorPage(const std::string& address) const;

 private:
  // True when `key` (upper-case for letters) with `modifiers` is one of the
  // window's keys, which it then has handled.
  bool Shortcut(int key, int modifiers);
  void HandleKey(wxKeyEvent& event);
  void OpenFindBar();
  std::string ChooseSaveTarget(const std::string& name, const std::string& folder);
  void ShowDownloadProgress(const DownloadProgress& progress);
  void DownloadEnded(const DownloadOutcome& outcome);
  void OfferSavedFile(const std::string& path);

  Window window_;
  std::string dataDir_;
  double zoom_ = 1.0;
  FindBar* findBar_ = nullptr;  // owned by the frame
  std::unique_ptr<WheelZoom> wheelZoom_;
  std::unique_ptr<ViewKeys> viewKeys_;
};

}  // namespace zovaz
