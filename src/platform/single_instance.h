// One client per data folder: a second start asks the running one to come
// to the front and ends, so that two clients never write the same files.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

class wxTopLevelWindow;

namespace zovaz {

// The lock lies beside the data folder rather than in it, so that it can be
// taken before the first-run setup creates the folder. Being a file, it
// stands for the folder itself whatever path or environment led there.
std::string InstanceLockPath(const std::string& dataDir);

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
  // (it was on its way out; this one then holds the lock).
  bool AskRunningToRaise(int timeoutMs = 2000);

  // The start-up decision: true when another client holds the data folder,
  // which has been asked to come to the front (answered or not), so this one
  // must end without touching the folder.
  bool HandOverToRunning(int timeoutMs = 2000);

  // For the holder: answers raise requests from the default GLib main
  // context (the one the GUI runs) by calling `onRaise`. False when this
  // process does not hold the lock or cannot listen; the lock still holds.
  bool ListenForRaise(std::function<void()> onRaise);

 private:
  struct Request;
  bool TryLock();
  void AcceptRequests();
  bool ReadRequest(Request& request);

  int lockFd_ = -1;  // -1: the folder cannot be locked
  bool held_ = false;
  std::string address_;  // abstract socket name, derived from the lock file
  int listenFd_ = -1;
  unsigned listenSource_ = 0;
  std::function<void()> onRaise_;
  std::map<int, std::unique_ptr<Request>> requests_;
};

// Brings a top-level window to the user: shown, restored and in front (the
// window manager may only mark it urgent when it refuses to hand focus over).
void BringToFront(wxTopLevelWindow& window);

}  // namespace zovaz
