#include "core/lang_table.h"

#include <gtest/gtest.h>

using namespace zovaz;

namespace {

const std::vector<LangRow> kExpected = {
    {"Načítám", "Loading"},
    {"Ukončit", "Exit"},
    {"Nastavení", "Settings"},
    {"Nápověda", "Help"},
    {"O programu", "About"},
    {"Připojit", "Connect"},
    {"Odpojit", "Disconnect"},
    {"Tisk", "Print"},
    {"Přejít na web Marlevo", "Go to Marlevo website"},
    {"Verze programu:", "Program version:"},
    {"Výrobce programu:", "Program producer:"},
    {"Paměť Windows:", "Windows memory:"},
    {"Využitá paměť Windows:", "Windows memory used:"},
    {"Web výrobce:", "Producer's website:"},
    {"Uživatel", "User"},
    {"Automatické přihlášení", "Automatic login"},
    {"Uživatelské jméno", "User name"},
    {"Heslo", "Password"},
    {"Heslo je ukládáno v šifrované podobě.", "Password is stored in encrypted form."},
    {"Vyplňte pouze pokud chcete již uložené heslo změnit.",
     "Fill in only if you'd like to change already saved password."},
    {"Uložit", "Save"},
    {"Zrušit", "Cancel"},
    {"Nelze navázat spojení, zkontrolujte připojení k Internetu.",
     "Cannot estabilish connection, check your Internet settings."},
    {"Nyní proběhne příprava aplikace před prvním spuštěním a její aktualizace.",
     "Application will now be actualised and prepared for first launch."},
    {"Uživatelské jméno obsahuje znaky, které nelze použít.",
     "User name contains characters that cannot be used."},
    {"Soubor s nastavením nelze přečíst. Program jej ponechá beze změny a nastavení neuloží:",
     "The settings file cannot be read. The program leaves it unchanged and will not save the "
     "settings:"},
    {"Nastavení nelze uložit, protože soubor s nastavením nelze přečíst:",
     "The settings cannot be saved because the settings file cannot be read:"},
    {"Heslo obsahuje znaky, které nelze použít.",
     "Password contains characters that cannot be used."},
    {"Zpět", "Back"},
    {"Vpřed", "Forward"},
    {"Obnovit", "Reload"},
    {"Kopírovat", "Copy"},
    {"Vložit", "Paste"},
    {"Vybrat vše", "Select all"},
    {"Uložit odkaz jako…", "Save link as…"},
    {"Najít:", "Find:"},
    {"Předchozí", "Previous"},
    {"Další", "Next"},
    {"Zavřít", "Close"},
    {"Počet shod:", "Matches:"},
    {"Nenalezeno", "Not found"},
    {"Obchod Z-ovaz není dostupný", "The Z-ovaz shop cannot be reached"},
    {"Stránku obchodu se nepodařilo načíst. Zkontrolujte připojení k Internetu a zkuste to znovu.",
     "The shop's page could not be loaded. Check your Internet connection and try again."},
    {"Zkusit znovu", "Try again"},
    {"Úvodní stránka", "Start page"},
    {"Stahuji", "Downloading"},
    {"Soubor byl uložen:", "The file was saved:"},
    {"Stahování se nezdařilo, soubor nebyl uložen:",
     "The download failed, the file was not saved:"},
    {"Otevřít soubor", "Open file"},
    {"Otevřít složku", "Open folder"},
    {"Soubor se nepodařilo otevřít. V systému není nastaven program, který jej otevře:",
     "The file could not be opened. The desktop has no program set up to open it:"},
    {"Složku se nepodařilo otevřít. V systému není nastaven správce souborů:",
     "The folder could not be opened. The desktop has no file manager set up:"},
    {"Připojuji se k obchodu…", "Connecting to the shop…"},
    {"Připravuji aplikaci…", "Preparing the application…"},
    {"Přípravu aplikace se nepodařilo dokončit. Zkontrolujte volné místo na disku a oprávnění "
     "ke složce s daty.",
     "Application could not be prepared. Check the free disk space and the data folder's "
     "permissions."},
    {"Uživatelské jméno nemůže být \".\" ani \"..\".", "User name cannot be \".\" or \"..\"."},
    {"Složka s daty aplikace nebo její zámek patří jinému uživateli, a proto je nelze použít.",
     "The application's data folder or its lock belongs to another user and cannot be used."},
    // Links, spelling and downloads as the desktop has them.
    {"Webový prohlížeč se nepodařilo spustit. Nastavte v systému výchozí prohlížeč a odkaz "
     "otevřete znovu:",
     "The web browser could not be started. Set a default browser on the desktop and open the "
     "link again:"},
    {"Odkaz nevede do obchodu Z-ovaz, a proto nebyl otevřen.",
     "The link does not lead to the Z-ovaz shop and was not opened."},
    {"Žádné návrhy", "No suggestions"},
    {"Ignorovat slovo", "Ignore word"},
    {"Přidat do slovníku", "Add to dictionary"},
    {"Logo společnosti Marlevo", "Marlevo logo"},
    {"Informace o programu", "Program information"},
    {"Hlavní nabídka", "Main menu"},
};

}  // namespace

TEST(LangTable, HoldsEveryRowByteForByteInOrder) {
  // The literals above are UTF-8: a stray precomposed/decomposed or
  // Windows-1250 byte in the table fails here.
  EXPECT_EQ(std::string("Načítám"), "Na\xC4\x8D\xC3\xADt\xC3\xA1m");
  const std::vector<LangRow> table = LangTable("Marlevo");
  ASSERT_EQ(table.size(), kExpected.size());
  for (size_t i = 0; i < table.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(table[i].czech, kExpected[i].czech);
    EXPECT_EQ(table[i].english, kExpected[i].english);
  }
}

TEST(Translate, EitherColumnMapsToTheCurrentLanguage) {
  const auto table = LangTable("Marlevo");
  EXPECT_EQ(Translate(table, "cze", "Settings"), "Nastavení");
  EXPECT_EQ(Translate(table, "cze", "Nastavení"), "Nastavení");
  EXPECT_EQ(Translate(table, "eng", "Nastavení"), "Settings");
  EXPECT_EQ(Translate(table, "", "Nastavení"), "Settings");
  EXPECT_EQ(Translate(table, "CZE", "Nastavení"), "Settings");  // the code is exact
  EXPECT_EQ(Translate(table, "cze", "Go to Marlevo website"), "Přejít na web Marlevo");
  EXPECT_EQ(Translate(LangTable("Jiný"), "eng", "Přejít na web Jiný"), "Go to Jiný website");
}

TEST(Translate, TextsNotInTheTableComeBackUnchanged) {
  const auto table = LangTable("Marlevo");
  for (const char* text : {"settings", "Settings ", " Nastavení", "Program", "Uživatelská příručka",
                           "-", "", "Heslo je ukládáno"}) {
    EXPECT_EQ(Translate(table, "cze", text), text);
    EXPECT_EQ(Translate(table, "eng", text), text);
  }
}
