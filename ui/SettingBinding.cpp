#include "ui/SettingBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>
#include <stdexcept>

#include "core/Settings.h"

namespace pixmira {

namespace {

// The list index of a stored choice value; -1 (nothing chosen) for a value not in the list.
int ChoiceIndex(const SettingRow& row, int value) {
  if (row.type != SettingType::Choice) return value;
  for (std::size_t i = 0; i < row.choices.size(); ++i)
    if (row.choices[i].value == value) return static_cast<int>(i);
  return -1;
}

int ChoiceValue(const SettingRow& row, int index) {
  if (row.type != SettingType::Choice) return index;
  return index >= 0 && index < static_cast<int>(row.choices.size()) ? row.choices[index].value
                                                                    : index;
}

}  // namespace

TSettingBinding::TSettingBinding(Store store, ReadSite site, Writer write, QObject* parent)
    : QObject(parent), store_(std::move(store)), site_(site), write_(std::move(write)) {}

const SettingRow& TSettingBinding::Row(std::string_view key) const {
  const SettingRow* row = FindSetting(key);
  // A control bound to a key the schema lacks is a programming error, found by the first test
  // that builds the form.
  if (!row) throw std::logic_error("no settings row for " + std::string(key));
  return *row;
}

void TSettingBinding::Bind(QCheckBox* box, std::string_view key) {
  const SettingRow& row = Row(key);
  const std::string name = row.key;
  bound_.push_back({&row, [this, box, name](const TMemIniFile& s) {
                      box->setChecked(ReadSettingBool(s, name, site_));
                    }});
  connect(box, &QCheckBox::toggled, this,
          [this, &row](bool ticked) { Write(row, ticked ? "1" : "0"); });
}

void TSettingBinding::Bind(QComboBox* combo, std::string_view key) {
  const SettingRow& row = Row(key);
  const std::string name = row.key;
  bound_.push_back({&row, [this, combo, name, &row](const TMemIniFile& s) {
                      combo->setCurrentIndex(ChoiceIndex(row, ReadSettingInteger(s, name, site_)));
                    }});
  connect(combo, &QComboBox::currentIndexChanged, this, [this, &row](int index) {
    // Emptying the list says nothing about the setting.
    if (index < 0) return;
    Write(row, std::to_string(ChoiceValue(row, index)));
  });
}

void TSettingBinding::Bind(QSpinBox* box, std::string_view key) {
  const SettingRow& row = Row(key);
  const std::string name = row.key;
  bound_.push_back({&row, [this, box, name](const TMemIniFile& s) {
                      box->setValue(ReadSettingInteger(s, name, site_));
                    }});
  connect(box, &QSpinBox::valueChanged, this,
          [this, &row](int value) { Write(row, std::to_string(value)); });
}

void TSettingBinding::Bind(QSlider* slider, std::string_view key) {
  const SettingRow& row = Row(key);
  const std::string name = row.key;
  bound_.push_back({&row, [this, slider, name](const TMemIniFile& s) {
                      slider->setValue(ReadSettingInteger(s, name, site_));
                    }});
  connect(slider, &QSlider::valueChanged, this,
          [this, &row](int value) { Write(row, std::to_string(value)); });
}

void TSettingBinding::EnableWhen(QWidget* widget, std::string_view key) {
  rules_.push_back({widget, &Row(key)});
  widget->setEnabled(SettingCounts(store_(), *rules_.back().row, site_));
}

void TSettingBinding::Load() {
  loading_ = true;
  const TMemIniFile& s = store_();
  for (const Bound& b : bound_) b.show(s);
  loading_ = false;
  ApplyRules();
}

void TSettingBinding::Write(const SettingRow& row, const std::string& value) {
  if (loading_) return;
  write_([&](TMemIniFile& s) { s.WriteString(kGeneral, row.key, value); });
  ApplyRules();
  emit changed(SettingCounts(store_(), row, site_));
}

void TSettingBinding::ApplyRules() {
  const TMemIniFile& s = store_();
  for (const Rule& r : rules_) r.widget->setEnabled(SettingCounts(s, *r.row, site_));
}

}  // namespace pixmira
