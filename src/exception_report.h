// The one place an unexpected failure becomes a message box.
#pragma once

#include <exception>

namespace zovaz {

class MessageSink;

// Shows the exception's text, finished with a full stop, as an error box.
void ReportException(MessageSink& messages, std::exception_ptr error);

}  // namespace zovaz
