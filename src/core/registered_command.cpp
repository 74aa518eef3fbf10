#include "core/registered_command.h"

namespace zovaz {

std::string QuotedProgram(const std::string& command) {
  const size_t open = command.find('"');
  if (open == std::string::npos) return {};
  const size_t close = command.find('"', open + 1);
  if (close == std::string::npos) return {};
  return command.substr(open + 1, close - open - 1);
}

}  // namespace zovaz
