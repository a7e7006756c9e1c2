// Controls bound to schema rows: what they show, what each change writes, and when they count.
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTest>
#include <stdexcept>

#include "UiTests.h"
#include "core/Settings.h"
#include "ui/SettingBinding.h"

using namespace pixmira;

namespace {

struct Form {
  explicit Form(std::string_view config, ReadSite site = ReadSite::Main)
      : store(TMemIniFile::FromText(config)),
        binding([this]() -> TMemIniFile& { return store; }, site,
                [this](const std::function<void(TMemIniFile&)>& write) {
                  write(store);
                  ++flushes;
                }) {
    corners.addItems({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"});
    width.setRange(0, 999999);
    sizes.addItems({"310", "500", "700", "custom"});
  }
  std::string Stored(std::string_view key) const {
    return store.ReadString(kGeneral, key, "(none)");
  }

  TMemIniFile store;
  TSettingBinding binding;
  int flushes = 0;
  QCheckBox reduce;
  QComboBox sizes;
  QComboBox corners;
  QSpinBox width;
};

}  // namespace

class SettingBindingTest : public QObject {
  Q_OBJECT

 private slots:
  void loadShowsStoredValuesAndDefaultsAndWritesNothing() {
    const struct {
      const char* config;
      bool reduce;
      int size, corner, width;
    } cases[] = {
        // Nothing stored: the main window's defaults.
        {"", true, 0, 0, 310},
        {"[General]\r\nReduceSize=0\r\nReduceSizeType=3\r\nCornerType=10\r\nReduceSizeWidth="
         "640\r\n",
         false, 3, 10, 640},
        // A choice that is none of the list's: nothing chosen, nothing invented.
        {"[General]\r\nReduceSizeType=9\r\nCornerType=-1\r\n", true, -1, -1, 310},
    };
    for (const auto& c : cases) {
      Form f(c.config);
      f.binding.Bind(&f.reduce, keys::ReduceSize);
      f.binding.Bind(&f.sizes, keys::ReduceSizeType);
      f.binding.Bind(&f.corners, keys::CornerType);
      f.binding.Bind(&f.width, keys::ReduceSizeWidth);
      const std::string before = f.store.ToText();
      f.binding.Load();
      QCOMPARE(f.reduce.isChecked(), c.reduce);
      QCOMPARE(f.sizes.currentIndex(), c.size);
      QCOMPARE(f.corners.currentIndex(), c.corner);
      QCOMPARE(f.width.value(), c.width);
      QCOMPARE(f.flushes, 0);
      QCOMPARE(f.store.ToText(), before);
    }
  }

  void everyChangeWritesItsKeyWithOneFlush() {
    Form f("");
    f.binding.Bind(&f.reduce, keys::ReduceSize);
    f.binding.Bind(&f.sizes, keys::ReduceSizeType);
    f.binding.Bind(&f.width, keys::ReduceSizeWidth);
    f.binding.Load();
    f.reduce.setChecked(false);
    QCOMPARE(f.Stored(keys::ReduceSize), std::string("0"));
    QCOMPARE(f.flushes, 1);
    f.sizes.setCurrentIndex(3);
    QCOMPARE(f.Stored(keys::ReduceSizeType), std::string("3"));
    f.width.setValue(512);
    QCOMPARE(f.Stored(keys::ReduceSizeWidth), std::string("512"));
    QCOMPARE(f.flushes, 3);
    // Emptying a list is no choice of the user's.
    f.sizes.clear();
    QCOMPARE(f.Stored(keys::ReduceSizeType), std::string("3"));
    QCOMPARE(f.flushes, 3);
  }

  void aWidgetIsEnabledWhileItsRowCounts() {
    Form f("[General]\r\nReduceSize=1\r\nReduceSizeType=0\r\n");
    f.binding.Bind(&f.reduce, keys::ReduceSize);
    f.binding.Bind(&f.sizes, keys::ReduceSizeType);
    f.binding.EnableWhen(&f.width, keys::ReduceSizeWidth);
    f.binding.Load();
    QVERIFY(!f.width.isEnabled());  // not the custom width
    f.sizes.setCurrentIndex(3);
    QVERIFY(f.width.isEnabled());
    f.reduce.setChecked(false);  // no shrinking at all
    QVERIFY(!f.width.isEnabled());
  }

  // The dialog redraws its preview only for a change that shows in it.
  void aChangeSaysWhetherItCountsWhereItIsRead() {
    for (const auto& [frameType, counts] : {std::pair{"0", true}, {"1", false}}) {
      Form f(std::string("[General]\r\nFrameType=") + frameType + "\r\n", ReadSite::Dialog);
      f.binding.Bind(&f.corners, keys::CornerType);
      f.binding.Load();
      QList<bool> said;
      QObject::connect(&f.binding, &TSettingBinding::changed, [&said](bool c) { said << c; });
      f.corners.setCurrentIndex(4);
      QCOMPARE(said, QList<bool>{counts});
      QCOMPARE(f.Stored(keys::CornerType), std::string("4"));
    }
  }

  void aKeyWithoutARowIsRefused() {
    Form f("");
    QVERIFY_THROWS_EXCEPTION(std::logic_error, f.binding.Bind(&f.reduce, "NoSuchKey"));
  }
};

std::unique_ptr<QObject> MakeSettingBindingTests() {
  return std::make_unique<SettingBindingTest>();
}

#include "SettingBindingTest.moc"
