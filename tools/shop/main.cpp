// zovaz-shop: the stand-in shop on loopback, for the demo and manual checks.
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "shop_server.h"

namespace {

void Usage(std::ostream& out) {
  out << "usage: zovaz-shop [--host HOST] [--port PORT]\n"
         "  --host HOST  address to listen on (default 127.0.0.1)\n"
         "  --port PORT  port to listen on, 0 for any free one (default 8470)\n";
}

bool ParsePort(const std::string& text, int* port) {
  if (text.empty() || text.size() > 5) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  *port = std::atoi(text.c_str());
  return *port <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
  std::string host = "127.0.0.1";
  int port = 8470;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::string value;
    bool hasValue = false;
    if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      hasValue = true;
    }
    if (arg == "--help" || arg == "-h") {
      Usage(std::cout);
      return 0;
    }
    if (arg != "--host" && arg != "--port") {
      std::cerr << "zovaz-shop: unknown option " << arg << "\n";
      Usage(std::cerr);
      return 2;
    }
    if (!hasValue) {
      if (i + 1 >= argc) {
        std::cerr << "zovaz-shop: " << arg << " needs a value\n";
        return 2;
      }
      value = argv[++i];
    }
    if (arg == "--host") {
      host = value;
    } else if (!ParsePort(value, &port)) {
      std::cerr << "zovaz-shop: invalid port " << value << "\n";
      return 2;
    }
  }

  // Blocked before the server's threads exist, so that they inherit the mask
  // and only sigwait below sees these signals.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  zovaz::shop::ShopServer server;
  server.LogTo(&std::cout);
  errno = 0;
  const int bound = server.Start(host, port);
  if (bound < 0) {
    std::cerr << "zovaz-shop: cannot listen on " << host << ":" << port << ": "
              << (errno ? std::strerror(errno) : "bind failed") << "\n";
    return 1;
  }
  std::cout << "zovaz-shop listening on http://" << host << ":" << bound << std::endl;

  int received = 0;
  sigwait(&signals, &received);
  server.Stop();
  return 0;
}
