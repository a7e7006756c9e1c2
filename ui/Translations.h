#pragma once
// Qt's own words (dialog buttons, file dialogs, context menus) in the window's language.
#include <QString>

class QCoreApplication;

namespace pixmira {

// Loads Qt's translations for language ("zh_CN") from where Qt keeps them (Debian's
// qt6-translations-l10n) into the application. False when they are not installed; the
// standard dialogs then stay in English.
bool InstallQtTranslations(QCoreApplication& app, const QString& language);

// The window's own words in English, from the translation built into the program. False when
// the program was built without it; the window then stays in Chinese.
bool InstallEnglishTranslation(QCoreApplication& app);

}  // namespace pixmira
