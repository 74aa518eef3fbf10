// The stand-in shop's answers that a full HTTP/1.1 server will not give: a
// bare HTTP/1.0 listener on loopback, for downloads that close early or
// arrive whole, a page that never answers and a redirect to a local file.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zovaz::shop {

// Paths it serves (anything else is 404):
//   /invoice/cut-off.pdf  announces the whole invoice, sends half, closes
//   /invoice/whole.pdf    the whole invoice, announced, then closes
//   /to-file              redirects to file:///etc/hostname
//   /hanging-image        a page whose image never arrives
//   /silent/...           reads the request and never answers (until Stop)
class PlainServer {
 public:
  PlainServer();
  ~PlainServer();  // stops the server
  PlainServer(const PlainServer&) = delete;
  PlainServer& operator=(const PlainServer&) = delete;

  // Binds 127.0.0.1:port (0 picks a free port); the bound port, or -1.
  int Start(int port = 0);
  // Ends every connection, answered or not, and returns when all are gone.
  void Stop();

  std::string BaseUrl() const;  // "http://127.0.0.1:<port>"
  // The path of each request received so far.
  std::vector<std::string> Requests() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace zovaz::shop
