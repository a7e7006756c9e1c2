#pragma once
// The watermark anchors as both windows name them, one row per anchor in the order of the
// effect's anchor table; the margin labels follow from which margins the anchor applies.
#include <QString>
#include <QStringList>
#include <utility>

namespace pixmira {

// The settings dialog's list: "右下角", ...
QStringList AnchorChoices();
// The main window's line: "水印显示在图象右下角"; empty outside the table.
QString AnchorPlacedCaption(int anchor);
// The labels of the rows of margin A and margin B ("下边距", "右边距"); empty for a margin the
// anchor does not apply, both empty outside the table.
std::pair<QString, QString> AnchorMarginLabels(int anchor);

}  // namespace pixmira
