#pragma once
// Ties a form's controls to rows of the settings schema, once per control: the stored value is
// shown (read as the form's site reads it), every change is written through the form's writer
// (which flushes the file once per change), and a widget may be enabled only while a row's
// conditions hold.
#include <QObject>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/MemIniFile.h"
#include "core/SettingsSchema.h"

class QCheckBox;
class QComboBox;
class QSlider;
class QSpinBox;
class QWidget;

namespace pixmira {

class TSettingBinding : public QObject {
  Q_OBJECT

 public:
  using Store = std::function<TMemIniFile&()>;
  using Writer = std::function<void(const std::function<void(TMemIniFile&)>&)>;

  TSettingBinding(Store store, ReadSite site, Writer write, QObject* parent = nullptr);

  // A tick is "1" or "0".
  void Bind(QCheckBox* box, std::string_view key);
  // The list's entries are the row's choices in order, or for a whole number the values from 0.
  void Bind(QComboBox* combo, std::string_view key);
  void Bind(QSpinBox* box, std::string_view key);
  void Bind(QSlider* slider, std::string_view key);
  // widget is enabled only while every condition of key's row holds.
  void EnableWhen(QWidget* widget, std::string_view key);

  // Shows every bound key's stored value; writes nothing back.
  void Load();
  bool Loading() const { return loading_; }

 signals:
  // After a change was written; counts: the row's conditions hold, so the change shows in
  // the result (a preview need not be redrawn otherwise).
  void changed(bool counts);

 private:
  struct Bound {
    const SettingRow* row;
    std::function<void(const TMemIniFile&)> show;
  };
  struct Rule {
    QWidget* widget;
    const SettingRow* row;
  };

  const SettingRow& Row(std::string_view key) const;
  void Write(const SettingRow& row, const std::string& value);
  void ApplyRules();

  Store store_;
  ReadSite site_;
  Writer write_;
  std::vector<Bound> bound_;
  std::vector<Rule> rules_;
  bool loading_ = false;
};

}  // namespace pixmira
