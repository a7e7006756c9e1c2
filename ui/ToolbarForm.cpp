#include "ui/ToolbarForm.h"

#include <QPainter>
#include <QToolButton>

#include "ui/Artwork.h"

namespace pixmira {

namespace {

QToolButton* MakeButton(QWidget* parent, const QIcon& icon, const char* tip) {
  auto* button = new QToolButton(parent);
  button->setIcon(icon);
  button->setIconSize(QSize(16, 16));
  button->setToolTip(QString::fromUtf8(tip));
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setFixedSize(22, 20);
  return button;
}

}  // namespace

TToolbarForm::Icons TToolbarForm::MakeIcons() {
  return {MakeToolIcon(ToolIcon::RotateLeft), MakeToolIcon(ToolIcon::RotateRight),
          MakeToolIcon(ToolIcon::Edit), MakeToolIcon(ToolIcon::Remove)};
}

TToolbarForm::TToolbarForm(int entryId, QWidget* viewport, const Icons& icons)
    : QWidget(viewport), entryId_(entryId) {
  setObjectName(QStringLiteral("TToolbarForm"));
  tbRoteLeft_ = MakeButton(this, icons[0], "逆时针旋转图片");
  tbRoteRight_ = MakeButton(this, icons[1], "顺时针旋转图片");
  tbEdit_ = MakeButton(this, icons[2], "编辑图片");
  tbEdit_->setEnabled(false);
  tbRemove_ = MakeButton(this, icons[3], "从列表中移除图片");
  // Placed by hand: a list may hold hundreds of these, and a layout each costs.
  int x = 1;
  for (auto* button : {tbRoteLeft_, tbRoteRight_, tbEdit_, tbRemove_}) {
    button->move(x, 1);
    x += button->width() + 1;
  }

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
