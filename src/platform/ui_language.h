// One language in the whole process: the toolkit's and the web engine's own
// texts (file chooser, print dialog, engine messages) in Czech, as the
// client's own are, while numbers and dates keep the desktop's formats.
#pragma once

namespace zovaz {

// Points the messages of this process at Czech and leaves every other part
// of the desktop's locale as it was. Call before the toolkit starts: it
// reads the environment once. Without a Czech locale on the machine the
// toolkit's texts stay in the desktop's language.
void UseCzechMessages();

// wxWidgets' own texts (stock button captions) in Czech; call once the
// application object exists.
void LoadToolkitTranslations();

}  // namespace zovaz
