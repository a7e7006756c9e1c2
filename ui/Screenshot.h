#pragma once
// A hidden mode for the documentation and for checking the look: with PIXMIRA_SCREENSHOT_DIR
// set, the program shows its windows with the given pictures, saves them as PNG files into
// that folder and quits.
#include <QString>

namespace pixmira {

class TKaravelKernel;
class TQivMainForm;
class TUiServices;

// Starts the sequence once the event loop runs; the application quits at its end.
void StartScreenshots(TKaravelKernel& kernel, TUiServices& services, TQivMainForm& form,
                      const QString& outDir);

}  // namespace pixmira
