#pragma once
// Qt's own dialogs, buttons and context menus speak Japanese like the rest of the program, whatever
// the locale it runs in: the program's texts are Japanese everywhere.

namespace korva {

// Installs Qt's Japanese translations into the running application. False when Qt's translations are not installed (the dialogs stay in English).
bool InstallJapaneseTranslations();

}  // namespace korva
