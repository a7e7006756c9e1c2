// Runs every window test class on the offscreen platform.
#include <QApplication>
#include <QTest>

#include "UiTests.h"

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int failures = 0;
  for (auto make :
       {MakePictureListTests, MakeMainFormTests, MakeProgressFormTests, MakeSingleInstanceTests,
        MakePictureOptionsTests, MakeHomeLinkTests, MakeSettingBindingTests}) {
    const auto tests = make();
    failures += QTest::qExec(tests.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
