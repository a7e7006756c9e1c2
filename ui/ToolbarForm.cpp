#include "ui/ToolbarForm.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

#include "ui/Artwork.h"

namespace pixmira {

namespace {

QToolButton* MakeButton(QWidget* parent, ToolIcon icon, const char* tip) {
  auto* button = new QToolButton(parent);
  button->setIcon(MakeToolIcon(icon));
  button->setIconSize(QSize(16, 16));
  button->setToolTip(QString::fromUtf8(tip));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setFixedSize(22, 20);
  return button;
}

}  // namespace

TToolbarForm::TToolbarForm(int entryId, QWidget* viewport) : QWidget(viewport), entryId_(entryId) {
  setObjectName(QStringLiteral("TToolbarForm"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->setSpacing(1);
  tbRoteLeft_ = MakeButton(this, ToolIcon::RotateLeft, "逆时针旋转图片");
  tbRoteRight_ = MakeButton(this, ToolIcon::RotateRight, "顺时针旋转图片");
  tbEdit_ = MakeButton(this, ToolIcon::Edit, "编辑图片");
  tbEdit_->setEnabled(false);
  tbRemove_ = MakeButton(this, ToolIcon::Remove, "从列表中移除图片");
  for (auto* button : {tbRoteLeft_, tbRoteRight_, tbEdit_, tbRemove_}) layout->addWidget(button);

  connect(tbRoteLeft_, &QToolButton::clicked, this, [this] { emit rotateLeftClicked(entryId_); });
  connect(tbRoteRight_, &QToolButton::clicked, this, [this] { emit rotateRightClicked(entryId_); });
  connect(tbRemove_, &QToolButton::clicked, this, [this] { emit removeClicked(entryId_); });

  setGeometry(-1000, -1000, kToolbarWidth, kToolbarHeight);
  hide();
}

void TToolbarForm::paintEvent(QPaintEvent*) {
  // White at 100/255 over the thumbnail, which stays visible beneath the buttons.
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(0x90, 0xA8, 0x90, 100));
  p.setBrush(QColor(255, 255, 255, 100));
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
}

}  // namespace pixmira
