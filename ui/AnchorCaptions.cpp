#include "ui/AnchorCaptions.h"

#include <QCoreApplication>
#include <array>

#include "effects/Watermark.h"

namespace pixmira {

namespace {

struct TAnchorCaption {
  TAnchor anchor;
  const char* choice;
  const char* placed;
};

const std::array<TAnchorCaption, 9> kCaptions{{
    {TAnchor::BottomRight, "右下角", "水印显示在图象右下角"},
    {TAnchor::BottomLeft, "左下角", "水印显示在图象左下角"},
    {TAnchor::TopLeft, "左上角", "水印显示在图象左上角"},
    {TAnchor::TopRight, "右上角", "水印显示在图象右上角"},
    {TAnchor::BottomCentre, "底部居中", "水印显示在图象底部居中"},
    {TAnchor::TopCentre, "顶部居中", "水印显示在图象顶部居中"},
    {TAnchor::LeftMiddle, "左边居中", "水印显示在图象左边居中"},
    {TAnchor::RightMiddle, "右边居中", "水印显示在图象右边居中"},
    {TAnchor::Centre, "图片中心", "水印显示在图象图片中心"},
}};
static_assert(kCaptions.size() == kAnchorRules.size(), "a caption for every anchor");

QString Tr(const char* source) { return QCoreApplication::translate("Pixmira", source); }

bool Valid(int anchor) { return anchor >= 0 && anchor < static_cast<int>(kCaptions.size()); }

// The label of the margin in the given slot: the side of the picture it is measured from.
QString MarginLabel(const TAnchorRule& rule, TMarginSlot slot) {
  if (slot == TMarginSlot::None) return {};
  if (rule.yMargin == slot) return rule.y == TAlign::Start ? Tr("上边距") : Tr("下边距");
  if (rule.xMargin == slot) return rule.x == TAlign::Start ? Tr("左边距") : Tr("右边距");
  return {};
}

}  // namespace

QStringList AnchorChoices() {
  QStringList list;
  for (const TAnchorCaption& c : kCaptions) list << Tr(c.choice);
  return list;
}

QString AnchorPlacedCaption(int anchor) {
  return Valid(anchor) ? Tr(kCaptions[anchor].placed) : QString();
}

std::pair<QString, QString> AnchorMarginLabels(int anchor) {
  if (!Valid(anchor)) return {};
  const TAnchorRule& rule = AnchorRule(kCaptions[anchor].anchor);
  return {MarginLabel(rule, TMarginSlot::A), MarginLabel(rule, TMarginSlot::B)};
}

}  // namespace pixmira
