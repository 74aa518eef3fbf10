// The client's message boxes as the customer sees them on a Czech desktop.
#include "platform/message_box.h"

#include <gtest/gtest.h>
#include <libintl.h>
#include <wx/timer.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui_support.h"

namespace zovaz::testing {
namespace {

bool Holds(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(MessageBoxes, NoticeAndErrorShowTheTextAndAPlainOk) {
  ScopedCzechToolkit czech;
  // The catalogue is in force: GTK's stock OK would read "Budiž".
  bind_textdomain_codeset("gtk30", "UTF-8");
  ASSERT_STREQ(dgettext("gtk30", "_OK"), "_Budiž");
  ModalMessageBoxes boxes;
  const std::string text = "Zpráva pro zákazníka.";
  for (const bool error : {false, true}) {
    SCOPED_TRACE(error ? "error" : "notice");
    std::vector<std::string> shown;
    bool closedByOk = false;
    int ticks = 0;
    wxTimer driver;
    driver.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      ++ticks;
      if (shown.empty() && Holds(ShownTexts(), text)) {
        shown = ShownTexts();
        closedByOk = ClickShownButton("OK");
      }
      // Whatever it shows, the box must not outlive the test.
      if (ticks > 50 && !ClickShownButton("Budiž")) ClickShownButton("OK");
    });
    driver.Start(100);
    error ? boxes.Error(text) : boxes.Inform(text);
    driver.Stop();
    EXPECT_TRUE(closedByOk);
    EXPECT_FALSE(Holds(shown, "Budiž"));
  }
}

TEST(MessageBoxes, ChoiceBoxShowsTheClientsOwnLabelsAndTellsWhichWasPressed) {
  ScopedCzechToolkit czech;
  ModalMessageBoxes boxes;
  const std::string text = "Soubor byl uložen:\n/tmp/faktura.pdf";
  const std::vector<std::string> choices = {"Otevřít soubor", "Otevřít složku", "OK"};
  for (size_t pressed = 0; pressed < choices.size(); ++pressed) {
    SCOPED_TRACE(choices[pressed]);
    std::vector<std::string> shown;
    int ticks = 0;
    wxTimer driver;
    driver.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      // Left up a moment, for whoever looks at it.
      if (++ticks > 5 && shown.empty() && Holds(ShownTexts(), text)) {
        shown = ShownTexts();
        ClickShownButton(choices[pressed]);
      }
      if (ticks > 80) ClickShownButton("OK") || ClickShownButton("Budiž");
    });
    driver.Start(100);
    EXPECT_EQ(boxes.Choose(text, choices), static_cast<int>(pressed));
    driver.Stop();
    for (const char* label : {"Ano", "Ne", "Zrušit", "Budiž"})
      EXPECT_FALSE(Holds(shown, label)) << label;
  }
}

}  // namespace
}  // namespace zovaz::testing
