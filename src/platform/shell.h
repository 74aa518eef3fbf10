// Facts about this process and machine that the client asks the system for.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace zovaz {

// The running executable's full path, symlinks resolved ("" if unknown).
std::string ExecutablePath();

// How long this process has been running (zero if unknown).
std::chrono::milliseconds ProcessAge();

// The account's home folder from the password database ("" if unknown).
std::string AccountHome();

// The user's local application-data folder from the environment, else from
// the account's home ("" if none).
std::string LocalAppData();

}  // namespace zovaz
