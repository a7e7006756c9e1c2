// The vendor's links: the address rule, the home link under the mouse and the one update call.
#include <QApplication>
#include <QLabel>
#include <QTest>

#include "UiTestSupport.h"
#include "UiTests.h"
#include "ui/HomeLink.h"
#include "ui/MainForm.h"
#include "ui/UpdateCheck.h"

using namespace pixmira;
using namespace pixmira::test;

namespace {

TMemIniFile Settings(const QByteArray& host) {
  return TMemIniFile::FromText(("[General]\r\nHomeHost=" + host + "\r\n").toStdString());
}

void Send(QWidget* widget, QEvent::Type type) {
  QEvent event(type);
  QApplication::sendEvent(widget, &event);
}

}  // namespace

class HomeLinkTest : public QObject {
  Q_OBJECT

 private slots:
  void vendorAddressComesFromTheHost_data() {
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QString>("url");  // empty: none
    QTest::newRow("none") << QByteArray() << QString();
    QTest::newRow("blank") << QByteArray("   ") << QString();
    QTest::newRow("host") << QByteArray("shop.example.com")
                          << QStringLiteral("http://shop.example.com/201072950.html");
    QTest::newRow("spaces trimmed, case folded")
        << QByteArray(" Shop.Example.COM ")
        << QStringLiteral("http://shop.example.com/201072950.html");
    QTest::newRow("port") << QByteArray("example.com:8080")
                          << QStringLiteral("http://example.com:8080/201072950.html");
    QTest::newRow("a path is refused") << QByteArray("example.com/evil") << QString();
    QTest::newRow("a user is refused") << QByteArray("me@example.com") << QString();
    QTest::newRow("a scheme is refused") << QByteArray("javascript:alert(1)") << QString();
    QTest::newRow("a space inside") << QByteArray("exa mple.com") << QString();
  }
  void vendorAddressComesFromTheHost() {
    QFETCH(QByteArray, host);
    QFETCH(QString, url);
    QCOMPARE(VendorUrl(Settings(host), kHomePagePath).toString(), url);
  }

  void linkUnderlinesUnderTheMouseAndOpensTheHomePage() {
    TTestFolder folder;
    folder.Write(QStringLiteral("Config.ini"), "[General]\r\nHomeHost=example.com\r\n");
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TQivMainForm form(*kernel, services);
    QLabel* link = form.lblHome;
    QCOMPARE(link->text(), QString::fromUtf8("官方首页"));
    QVERIFY(!link->font().underline());
    Send(link, QEvent::Enter);
    QVERIFY(link->font().underline());
    Send(link, QEvent::Leave);
    QVERIFY(!link->font().underline());

    link->resize(link->sizeHint());
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(services.opened,
             QList<QUrl>({QUrl(QStringLiteral("http://example.com/201072950.html"))}));
  }

  void linkWithoutHostOpensNothingAndSaysWhy() {
    TTestFolder folder;
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TQivMainForm form(*kernel, services);
    form.lblHome->resize(form.lblHome->sizeHint());
    QTest::mouseClick(form.lblHome, Qt::LeftButton);
    QVERIFY(services.opened.isEmpty());
    QVERIFY(form.lblHome->toolTip().contains(QStringLiteral("HomeHost")));
  }

  void updateIsCalledOnceAfterTheDelay() {
    TTestFolder folder;
    folder.Write(QStringLiteral("Config.ini"), "[General]\r\nHomeHost=example.com\r\n");
    const auto kernel = folder.MakeKernel();
    QWidget window;
    QList<QUrl> calls;
    TUpdateCheck check(
        &window, *kernel,
        [&](QWidget* w, const QUrl& url) {
          QCOMPARE(w, &window);
          calls << url;
        },
        20);
    QVERIFY(calls.isEmpty());
    QTest::qWait(200);
    QCOMPARE(calls,
             QList<QUrl>({QUrl(QStringLiteral("http://example.com/SiteBack/updateTxt/50.txt"))}));
    QVERIFY(!check.UpdateTimer.isActive());
  }

  void mainWindowStartsOneSixSecondCheck() {
    TTestFolder folder;
    const auto kernel = folder.MakeKernel();
    TFakeServices services;
    TQivMainForm form(*kernel, services);
    const auto checks = form.findChildren<TUpdateCheck*>();
    QCOMPARE(checks.size(), 1);
    QVERIFY(checks[0]->UpdateTimer.isActive());
    QCOMPARE(checks[0]->UpdateTimer.interval(), 6000);
    // The strip fills the bottom panel and offers no menu.
    auto* strip = form.AdPanel()->findChild<QWidget*>(QStringLiteral("wbAD"));
    QVERIFY(strip);
    QCOMPARE(strip->height(), 70);
    QCOMPARE(strip->contextMenuPolicy(), Qt::PreventContextMenu);
  }
};

std::unique_ptr<QObject> MakeHomeLinkTests() { return std::make_unique<HomeLinkTest>(); }

#include "HomeLinkTest.moc"
