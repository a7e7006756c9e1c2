// Pixmira, the desktop program.
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <cstdio>
#include <memory>

#include "core/Kernel.h"
#include "core/Language.h"
#include "ui/MainForm.h"
#include "ui/Screenshot.h"
#include "ui/SingleInstance.h"
#include "ui/Translations.h"
#include "ui/UiServices.h"

namespace {

// Chinese captions need a face that has them; a desktop without one configured as default
// gets the CJK face we ship with.
void EnsureChineseFont() {
  QFont font = QApplication::font();
  if (QFontMetrics(font).inFont(QChar(0x56FE))) return;
  const QString cjk = QStringLiteral("WenQuanYi Zen Hei");
  if (!QFontDatabase::families().contains(cjk)) return;
  font.setFamilies({cjk});
  QApplication::setFont(font);
}

}  // namespace

int main(int argc, char* argv[]) {
  // The kernel first: a later start reads the settings too before it hands over.
  std::unique_ptr<pixmira::TKaravelKernel> kernel;
  try {
    kernel = std::make_unique<pixmira::TKaravelKernel>();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pixmira: %s\n", e.what());
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pixmira"));
  QStringList paths = QApplication::arguments();
  paths.removeFirst();

  const QString screenshotDir = qEnvironmentVariable("PIXMIRA_SCREENSHOT_DIR");
  pixmira::TSingleInstance instance(pixmira::SingleInstanceName());
  if (screenshotDir.isEmpty() && instance.Claim(paths) == pixmira::TSingleInstance::Role::Second)
    return 0;

  EnsureChineseFont();
  // The program speaks Chinese, Qt's own dialogs and buttons too, unless the user's locale is
  // English.
  if (pixmira::UserLanguage() == pixmira::TLanguage::English) {
    // A build without its translation would greet an English user in Chinese without a word
    // why; say so where it can be seen.
    if (!pixmira::InstallEnglishTranslation(app))
      std::fputs(
          "pixmira: the English translation is missing from this build; the window "
          "stays in Chinese\n",
          stderr);
  } else {
    pixmira::InstallQtTranslations(app, QStringLiteral("zh_CN"));
  }
  pixmira::TDesktopUiServices services;
  pixmira::TQivMainForm form(*kernel, services);
  QObject::connect(&instance, &pixmira::TSingleInstance::activationRequested, &form,
                   [&form](const QStringList& handed) {
                     form.BringToFront();
                     form.AddPaths(handed);
                   });
  form.show();
  form.AddPaths(paths);
  if (!screenshotDir.isEmpty()) pixmira::StartScreenshots(*kernel, services, form, screenshotDir);
  return app.exec();
}
