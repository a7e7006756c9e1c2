#pragma once
// The window's own pictures, drawn in code so no binary resource has to be kept in step.
#include <QIcon>
#include <QImage>

namespace pixmira {

// 115 × 78: an information sign above the words 图片无法显示.
QImage CannotShowPicture();

enum class ToolIcon { RotateLeft, RotateRight, Edit, Remove };
// 16 × 16 with transparency (also drawn at 32 × 32 for dense screens).
QIcon MakeToolIcon(ToolIcon which);

}  // namespace pixmira
