#pragma once
// Every word of the window is translated in the one context "Pixmira", so the English lines
// live in one list (translations/pixmira_en.ts) that lupdate fills from the calls
// Pixmira::tr("...") and the marks QT_TRANSLATE_NOOP("Pixmira", "...").
#include <QCoreApplication>

namespace pixmira {

class Pixmira {
  Q_DECLARE_TR_FUNCTIONS(Pixmira)
};

}  // namespace pixmira
