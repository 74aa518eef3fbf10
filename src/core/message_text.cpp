#include "core/message_text.h"

namespace zovaz {

std::string WithClosingFullStop(const std::string& text) {
  if (text.empty() || static_cast<unsigned char>(text.back()) <= '.') return text;
  return text + ".";
}

}  // namespace zovaz
