// One client per data folder: a second start asks the running one to come
// to the front and ends, so that two clients never write the same files.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/data_files.h"

class wxTopLevelWindow;

namespace zovaz {

// The lock (InstanceLockPath) lies beside the data folder rather than in
// it, so that it can be taken before the first-run setup creates the
// folder. Being a file, it stands for the folder itself whatever path or
// environment led there.

class SingleInstance {
 public:
  // Takes the data folder's lock when no other process holds it. Missing
  // folders above the data folder are created private to the user, as the
  // setup would create them.
  explicit SingleInstance(const std::string& dataDir);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True while another process holds the data folder; when it has let go,
  // this one takes the lock instead. A folder that cannot be locked at all
  // (unwritable, no lock support) never keeps the client from starting.
  bool AlreadyRunning();

  // Asks the holder to bring its window to the front; true once it has
  // confirmed. Gives up after `timeoutMs`, or as soon as the holder lets go
  // (it was on its way out; this one then holds the lock). `startupId` is
  // this start's desktop start-up id, handed on so that the desktop ends its
  // busy cursor and lets the raised window take the focus. `link`, when
  // given, is an address the holder is asked to show (see ListenForRaise).
  bool AskRunningToRaise(int timeoutMs = 2000, const std::string& startupId = {},
                         const std::string& link = {});

  // The start-up decision: true when another client holds the data folder,
  // which has been asked to come to the front (answered or not), so this one
  // must end without touching the folder.
  bool HandOverToRunning(int timeoutMs = 2000, const std::string& startupId = {},
                         const std::string& link = {});

  // For the holder: answers raise requests from the default GLib main
  // context (the one the GUI runs) by calling `onRaise` with the asker's
  // start-up id. While it returns false (no window shown yet) the request
  // waits and is tried again, so the asker learns only of a window raised.
  // An address the asker handed on goes to `onLink` once the window is up,
  // as it came: whether to show it is the holder's to decide.
  // False when this process does not hold the lock or cannot listen; the
  // lock still holds.
  bool ListenForRaise(std::function<bool(const std::string& startupId)> onRaise,
                      std::function<void(const std::string& link)> onLink = {});

 private:
  struct Request;
  bool TryLock();
  void AcceptRequests();
  bool ReadRequest(Request& request);
  bool Answer(int fd);
  void RetryWaiting();

  int lockFd_ = -1;  // -1: the folder cannot be locked
  bool held_ = false;
  // Where the channel may lie, in order: folders only this user can create
  // files in, so no one else can stand in for the holder.
  std::vector<std::string> channelPaths_;
  std::string boundPath_;
  int listenFd_ = -1;
  unsigned listenSource_ = 0;
  unsigned retrySource_ = 0;
  std::function<bool(const std::string&)> onRaise_;
  std::function<void(const std::string&)> onLink_;
  std::map<int, std::unique_ptr<Request>> requests_;
};

// Brings a top-level window to the user: shown, restored and in front (the
// window manager may only mark it urgent when it refuses to hand focus over).
// A start-up id from the desktop, when given, completes that start.
void BringToFront(wxTopLevelWindow& window, const std::string& startupId = {});

// Brings any window of this program that is on screen (a message box, too)
// to the front; false when none is.
bool BringAnyShownToFront(const std::string& startupId = {});

}  // namespace zovaz
