#include "exception_report.h"

#include <string>

#include "core/message_text.h"
#include "platform/message_box.h"

namespace zovaz {

void ReportException(MessageSink& messages, std::exception_ptr error) {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    text = e.what();
  } catch (...) {
    text = "Unknown error";
  }
  messages.Error(WithClosingFullStop(text));
}

}  // namespace zovaz
