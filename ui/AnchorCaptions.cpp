#include "ui/AnchorCaptions.h"
#include "ui/Tr.h"

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
    {TAnchor::BottomRight, QT_TRANSLATE_NOOP("Pixmira", "右下角"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象右下角")},
    {TAnchor::BottomLeft, QT_TRANSLATE_NOOP("Pixmira", "左下角"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象左下角")},
    {TAnchor::TopLeft, QT_TRANSLATE_NOOP("Pixmira", "左上角"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象左上角")},
    {TAnchor::TopRight, QT_TRANSLATE_NOOP("Pixmira", "右上角"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象右上角")},
    {TAnchor::BottomCentre, QT_TRANSLATE_NOOP("Pixmira", "底部居中"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象底部居中")},
    {TAnchor::TopCentre, QT_TRANSLATE_NOOP("Pixmira", "顶部居中"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象顶部居中")},
    {TAnchor::LeftMiddle, QT_TRANSLATE_NOOP("Pixmira", "左边居中"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象左边居中")},
    {TAnchor::RightMiddle, QT_TRANSLATE_NOOP("Pixmira", "右边居中"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象右边居中")},
    {TAnchor::Centre, QT_TRANSLATE_NOOP("Pixmira", "图片中心"),
     QT_TRANSLATE_NOOP("Pixmira", "水印显示在图象图片中心")},
}};
static_assert(kCaptions.size() == kAnchorRules.size(), "a caption for every anchor");

bool Valid(int anchor) { return anchor >= 0 && anchor < static_cast<int>(kCaptions.size()); }

// The label of the margin in the given slot: the side of the picture it is measured from.
QString MarginLabel(const TAnchorRule& rule, TMarginSlot slot) {
  if (slot == TMarginSlot::None) return {};
  if (rule.yMargin == slot)
    return rule.y == TAlign::Start ? Pixmira::tr("上边距") : Pixmira::tr("下边距");
  if (rule.xMargin == slot)
    return rule.x == TAlign::Start ? Pixmira::tr("左边距") : Pixmira::tr("右边距");
  return {};
}

}  // namespace

QStringList AnchorChoices() {
  QStringList list;
  for (const TAnchorCaption& c : kCaptions) list << Pixmira::tr(c.choice);
  return list;
}

QString AnchorPlacedCaption(int anchor) {
  return Valid(anchor) ? Pixmira::tr(kCaptions[anchor].placed) : QString();
}

std::pair<QString, QString> AnchorMarginLabels(int anchor) {
  if (!Valid(anchor)) return {};
  const TAnchorRule& rule = AnchorRule(kCaptions[anchor].anchor);
  return {MarginLabel(rule, TMarginSlot::A), MarginLabel(rule, TMarginSlot::B)};
}

}  // namespace pixmira
