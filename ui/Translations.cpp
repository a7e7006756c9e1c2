#include "ui/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace pixmira {

bool InstallQtTranslations(QCoreApplication& app, const QString& language) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  bool any = false;
  // qtbase holds the dialogs and buttons; the rest are only there when their modules are.
  for (const char* module : {"qtbase", "qt"}) {
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QString::fromLatin1(module) + QLatin1Char('_') + language, folder)) {
      QCoreApplication::installTranslator(translator.get());
      // The application keeps it for as long as it runs.
      translator.release()->setParent(&app);
      any = true;
      break;
    }
  }
  return any;
}

bool InstallEnglishTranslation(QCoreApplication& app) {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral(":/i18n/pixmira_en.qm"))) return false;
  QCoreApplication::installTranslator(translator.get());
  translator.release()->setParent(&app);
  return true;
}

}  // namespace pixmira
